#pragma once

#include "base/Result.h"
#include "document/PdfInfo.h"
#include "document/WorkspaceClaim.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brivane::document {

// A flipbook made of a plain PDF, kept in the workspace area like an unpacked
// book: the clean-up removes it once no window reads it, and opening the same
// unchanged PDF again reuses it.
class PdfBook {
public:
    // The metadata of a book of this PDF; pdfSize goes into its id. assets:
    // the archive paths of the book's asset files, if it has any.
    static nlohmann::json Metadata(const PdfInfo& pdf, std::uint64_t pdfSize, const std::string& title,
                                   const std::string& subtitle, const std::vector<std::string>& assets = {});
    // The PDF's own title when it has one, else its file name without the extension.
    static std::string TitleFor(const std::string& infoTitle, const std::string& pdfPath);
    // The workspace that holds the book of the PDF at this absolute path.
    static std::string WorkspaceName(const std::string& pdfPath);
    // The book's file name: readable in diagnostics, always one safe component.
    static std::string BookFileName(const std::string& pdfPath);
    // The file begins as a PDF does (its header within the first KiB) and
    // is no ZIP archive, such as a flipbook holding one.
    static bool LooksLikePdf(const std::string& path);

    // Makes the book under root, or finds it made for this very file (same
    // path, size and modification time). Slow for a large PDF: not on the
    // main thread.
    static Result<PdfBook, PdfInfo::Failure> Make(const std::string& pdfPath, const std::string& root);

    const std::string& BookPath() const { return bookPath_; }
    // Made now rather than found.
    bool Fresh() const { return fresh_; }

private:
    PdfBook(std::string bookPath, std::shared_ptr<WorkspaceClaim> claim, bool fresh);

    std::string bookPath_;
    std::shared_ptr<WorkspaceClaim> claim_;  // keeps the clean-up away while a window reads it
    bool fresh_ = false;
};

}  // namespace brivane::document
