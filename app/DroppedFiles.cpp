#include "app/DroppedFiles.h"

#include "base/FileUrl.h"
#include "document/PdfBook.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace brivane::app {

namespace {

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension;
}

}  // namespace

DroppedFiles::Kind DroppedFiles::KindOf(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Kind::Other;
    const std::string extension = LowerExtension(path);
    if (extension == ".flip") return Kind::Flipbook;
    if (extension == ".pdf" || document::PdfBook::LooksLikePdf(path)) return Kind::Pdf;
    return Kind::Other;
}

DroppedFiles DroppedFiles::Sort(const std::vector<std::string>& urls) {
    DroppedFiles sorted;
    for (const std::string& url : urls) {
        const auto path = PathFromFileUrl(url);
        switch (path ? KindOf(*path) : Kind::Other) {
        case Kind::Flipbook:
            sorted.flipbooks.push_back(url);
            break;
        case Kind::Pdf:
            sorted.pdfs.push_back(url);
            break;
        case Kind::Other:
            sorted.refused.push_back(url);
            break;
        }
    }
    return sorted;
}

}  // namespace brivane::app
