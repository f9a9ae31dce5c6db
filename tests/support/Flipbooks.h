#pragma once

// Valid flipbook archives for tests, built byte by byte with ZipWriter so a
// test can then break exactly one thing.

#include "ZipWriter.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace brivane::test {

// The "id" a flipbook with this geometry and PDF size must carry, computed
// independently of the document library.
std::string Fingerprint(std::int64_t width, std::int64_t height, std::int64_t pages, std::uint64_t pdfSize);

// A small metadata document: app 1, 800x600, 3 pages, a title and subtitle,
// asset references written as the service writes them.
nlohmann::json SampleMetadata();

// Some bytes that start like a PDF; the library never looks inside.
std::string SamplePdf(std::size_t size = 2048);

// Metadata text as the service writes it: slashes escaped ("files\/user\/a.png").
std::string ServiceJson(const nlohmann::json& meta);

// A valid flipbook: "metadata.brivane" (with "id" filled in from the
// geometry and the PDF size when meta has none), "flipbook.pdf", then extra.
ZipWriter ValidFlipbook(nlohmann::json meta = SampleMetadata(), std::string pdf = SamplePdf(),
                        std::vector<ZipEntry> extra = {});

}  // namespace brivane::test
