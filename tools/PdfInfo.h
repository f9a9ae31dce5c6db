#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace brivane::tools {

// What a flipbook's metadata records about its PDF.
struct PdfInfo {
    std::int64_t width = 0;  // first page, points, rounded
    std::int64_t height = 0;
    std::int64_t pages = 0;

    // The error text when the file is not a readable PDF with at least one page.
    static std::variant<PdfInfo, std::string> Read(const std::string& path);
};

}  // namespace brivane::tools
