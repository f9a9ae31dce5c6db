#include "document/PdfInfo.h"

#include "base/FileUrl.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"

#include <poppler.h>

#include <cmath>
#include <fstream>

namespace brivane::document {

namespace {

using Problem = PdfInfo::Problem;

PdfInfo::Failure Fail(Problem problem, std::string text) { return {problem, std::move(text)}; }

}  // namespace

Result<PdfInfo, PdfInfo::Failure> PdfInfo::Read(const std::string& path) {
    // Told apart before poppler: it says "not a PDF" of a file it cannot open too.
    if (!std::ifstream(path, std::ios::binary)) return Fail(Problem::Unreadable, "cannot read " + path);
    const auto url = FileUrlFromPath(path);
    if (!url) return Fail(Problem::Unreadable, "cannot make a file URL of " + path);
    GErrorSlot error;
    auto doc = RefPtr<PopplerDocument>::Adopt(poppler_document_new_from_file(url->c_str(), nullptr, error.Out()));
    if (!doc) {
        const bool locked = error && error->domain == POPPLER_ERROR && error->code == POPPLER_ERROR_ENCRYPTED;
        return Fail(locked ? Problem::Encrypted : Problem::NotPdf,
                    (locked ? "encrypted PDF document: " : "not a PDF document: ") + path +
                        (error ? std::string(" (") + error.Message() + ")" : ""));
    }
    PdfInfo info;
    info.pages = poppler_document_get_n_pages(doc.get());
    if (info.pages < 1) return Fail(Problem::NoPages, "PDF document without pages: " + path);
    auto first = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(doc.get(), 0));
    if (!first) return Fail(Problem::NoPages, "cannot read the first page of " + path);
    double width = 0, height = 0;
    poppler_page_get_size(first.get(), &width, &height);
    info.width = std::lround(width);
    info.height = std::lround(height);
    const UniqueGChars title(poppler_document_get_title(doc.get()));
    if (title) info.title = title.get();
    return info;
}

}  // namespace brivane::document
