#include "Flipbooks.h"

#include <openssl/sha.h>

#include <cstdio>

namespace brivane::test {

std::string Fingerprint(std::int64_t width, std::int64_t height, std::int64_t pages, std::uint64_t pdfSize) {
    const std::string text = std::to_string(width) + "-" + std::to_string(height) + "-" + std::to_string(pages) +
                             "-" + std::to_string(pdfSize);
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    std::string hex;
    for (unsigned char byte : digest) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", byte);
        hex += two;
    }
    return hex.substr(0, 41);
}

nlohmann::json SampleMetadata() {
    return {
        {"app", 1},
        {"width", 800},
        {"height", 600},
        {"num_pages", 3},
        {"design", {{"title", "Tides &amp; Harbours"}, {"subtitle", "A field guide"}, {"logo", "files/user/logo.png"}}},
    };
}

std::string SamplePdf(std::size_t size) {
    std::string pdf = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    pdf.resize(size < pdf.size() ? pdf.size() : size, 'x');
    if (size >= 6) pdf.replace(pdf.size() - 6, 6, "%%EOF\n");
    return pdf;
}

std::string ServiceJson(const nlohmann::json& meta) {
    // '/' can only occur inside strings in JSON text, so escaping every one is safe.
    std::string out;
    for (char c : meta.dump()) {
        if (c == '/') out += '\\';
        out += c;
    }
    return out;
}

ZipWriter ValidFlipbook(nlohmann::json meta, std::string pdf, std::vector<ZipEntry> extra) {
    if (!meta.contains("id")) {
        meta["id"] = Fingerprint(meta.value("width", 0), meta.value("height", 0), meta.value("num_pages", 0),
                                 pdf.size());
    }
    ZipWriter zip;
    zip.File("metadata.brivane", ServiceJson(meta), 8);
    zip.File("flipbook.pdf", std::move(pdf));
    for (auto& e : extra) zip.Add(std::move(e));
    return zip;
}

}  // namespace brivane::test
