#include "PdfInfo.h"

#include "FileUrl.h"
#include "GObjectPtr.h"
#include "Unique.h"

#include <poppler.h>

#include <cmath>

namespace brivane::tools {

std::variant<PdfInfo, std::string> PdfInfo::Read(const std::string& path) {
    const auto url = FileUrlFromPath(path);
    if (!url) return std::string("cannot make a file URL of ") + path;
    GErrorSlot error;
    auto doc = RefPtr<PopplerDocument>::Adopt(poppler_document_new_from_file(url->c_str(), nullptr, error.Out()));
    if (!doc) return "not a PDF document: " + path + (error ? std::string(" (") + error.Message() + ")" : "");
    PdfInfo info;
    info.pages = poppler_document_get_n_pages(doc.get());
    if (info.pages < 1) return "PDF document without pages: " + path;
    auto first = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(doc.get(), 0));
    if (!first) return "cannot read the first page of " + path;
    double width = 0, height = 0;
    poppler_page_get_size(first.get(), &width, &height);
    info.width = std::lround(width);
    info.height = std::lround(height);
    return info;
}

}  // namespace brivane::tools
