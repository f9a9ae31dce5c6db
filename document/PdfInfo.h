#pragma once

#include "base/Result.h"

#include <cstdint>
#include <string>

namespace brivane::document {

// What a flipbook's metadata records about its PDF.
struct PdfInfo {
    std::int64_t width = 0;  // first page, points, rounded
    std::int64_t height = 0;
    std::int64_t pages = 0;
    std::string title;  // the document information's Title, empty when unset

    // Why a file cannot become a book; the text in Failure says more.
    // CannotWrite only comes from making a book of it.
    enum class Problem { Unreadable, NotPdf, Encrypted, NoPages, CannotWrite };
    struct Failure {
        Problem problem;
        std::string text;
    };

    static Result<PdfInfo, Failure> Read(const std::string& path);
};

}  // namespace brivane::document
