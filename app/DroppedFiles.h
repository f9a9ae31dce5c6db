#pragma once

#include <string>
#include <vector>

namespace brivane::app {

// Files dropped on a window, sorted into what can be read: flipbooks, PDFs
// to be made into books, and the rest, which the drop refuses whole.
struct DroppedFiles {
    enum class Kind { Flipbook, Pdf, Other };

    std::vector<std::string> flipbooks;  // file URLs, in the order dropped
    std::vector<std::string> pdfs;
    std::vector<std::string> refused;

    // By name first (".flip", ".pdf", any case), else by a PDF's header: a
    // PDF saved without its extension is still one. Directories are Other.
    static Kind KindOf(const std::string& path);
    // urls: file URLs; anything that is not a local file is refused.
    static DroppedFiles Sort(const std::vector<std::string>& urls);

    bool Acceptable() const { return refused.empty() && !(flipbooks.empty() && pdfs.empty()); }
};

}  // namespace brivane::app
