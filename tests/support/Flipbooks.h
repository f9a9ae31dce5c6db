#pragma once

// Valid flipbook archives for tests, built byte by byte with ZipWriter so a
// test can then break exactly one thing.

#include "document/FlipbookMeta.h"
#include "document/MetadataValue.h"
#include "tests/support/ZipWriter.h"

#include <nlohmann/json.hpp>

namespace brivane::test {

// The "id" a flipbook with this geometry and PDF size must carry (the digest
// itself is checked against reference values in the document tests).
inline std::string Fingerprint(std::int64_t width, std::int64_t height, std::int64_t pages, std::uint64_t pdfSize) {
    return document::ContentFingerprint(document::FingerprintText(width, height, pages, std::to_string(pdfSize)));
}

inline nlohmann::json SampleMetadata() {
    return {{"app", 1},
            {"width", 800},
            {"height", 600},
            {"num_pages", 3},
            {"design",
             {{"title", "Tides &amp; Harbours"}, {"subtitle", "A field guide"}, {"logo", "files/user/logo.png"}}}};
}

// Some bytes that start like a PDF; the library never looks inside.
inline std::string SamplePdf(std::size_t size = 2048) {
    std::string pdf = "%PDF-1.5\n";
    pdf.resize(size, 'x');
    return pdf;
}

// A valid flipbook: "metadata.brivane" (with "id" filled in from the geometry
// and the PDF size when meta has none), "flipbook.pdf", then extra.
inline ZipWriter ValidFlipbook(nlohmann::json meta = SampleMetadata(), std::string pdf = SamplePdf(),
                               std::vector<ZipEntry> extra = {}) {
    if (!meta.contains("id"))
        meta["id"] =
            Fingerprint(meta.value("width", 0), meta.value("height", 0), meta.value("num_pages", 0), pdf.size());
    ZipWriter zip;
    zip.File("metadata.brivane", document::WriteMetadata(meta), 8).File("flipbook.pdf", std::move(pdf));
    for (auto& e : extra) zip.Add(std::move(e));
    return zip;
}

}  // namespace brivane::test
