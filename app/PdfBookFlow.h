#pragma once

#include "document/PdfBook.h"
#include "web/Desktop.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brivane::app {

// Opening a plain PDF: a book is made of it (or found made) off the main
// thread, then handed over like any flipbook file; a PDF that cannot become
// one gets the usual error alert.
class PdfBookFlow {
public:
    struct Made {
        std::string bookUrl;                            // what the window opens
        std::string pdfUrl;                             // what the recent books keep: it outlives the made book
        std::shared_ptr<const document::PdfBook> hold;  // keeps the book from the clean-up
    };
    using Done = std::function<void(std::optional<Made>)>;
    // Where the books are made; the workspace root unless a test says otherwise.
    using Root = std::function<std::optional<std::string>()>;

    // done runs on the main thread; on failure, the alert is asked for right after it.
    static void Start(const std::shared_ptr<web::Desktop>& desktop, const std::string& pdfUrl, Done done,
                      Root root = nullptr);

    // English, as the catalogue's keys; %s is the file's name.
    static const char* AlertFormat(document::PdfInfo::Problem problem);
    static std::string AlertText(document::PdfInfo::Problem problem, const std::string& fileName);
};

}  // namespace brivane::app
