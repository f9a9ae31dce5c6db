#include "app/PdfBookFlow.h"

#include "base/Diagnostics.h"
#include "base/FileUrl.h"
#include "base/Result.h"
#include "base/Unique.h"
#include "document/WorkspaceRoot.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

namespace brivane::app {

namespace {

using Problem = document::PdfInfo::Problem;
using Outcome = Result<document::PdfBook, document::PdfInfo::Failure>;

std::string DisplayName(const std::string& pdfUrl) {
    const auto path = PathFromFileUrl(pdfUrl);
    if (!path) return pdfUrl;
    const UniqueGChars name(g_filename_display_basename(path->c_str()));
    return name.get();
}

}  // namespace

const char* PdfBookFlow::AlertFormat(Problem problem) {
    switch (problem) {
    case Problem::Unreadable:
        return N_("“%s” cannot be read.");
    case Problem::NotPdf:
        return N_("“%s” is not a PDF document.");
    case Problem::Encrypted:
        return N_("“%s” is protected by a password and cannot be opened as a book.");
    case Problem::NoPages:
        return N_("“%s” has no pages to show.");
    case Problem::CannotWrite:
        break;
    }
    return N_("No book could be made of “%s”: the disk may be full.");
}

std::string PdfBookFlow::AlertText(Problem problem, const std::string& fileName) {
    const UniqueGChars text(g_strdup_printf(_(AlertFormat(problem)), fileName.c_str()));
    return text.get();
}

void PdfBookFlow::Start(const std::shared_ptr<web::Desktop>& desktop, const std::string& pdfUrl, Done done, Root root) {
    Diagnostics::Line(pdfUrl);
    auto outcome = std::make_shared<std::optional<Outcome>>();
    auto work = [pdfUrl, outcome, root = std::move(root)] {
        const auto path = PathFromFileUrl(pdfUrl);
        const auto where = root ? root() : document::WorkspaceRoot::Ensure();
        if (!path)
            *outcome = document::PdfInfo::Failure{Problem::Unreadable, "not a local file: " + pdfUrl};
        else if (!where)
            *outcome = document::PdfInfo::Failure{Problem::CannotWrite, "no workspace root"};
        else
            *outcome = document::PdfBook::Make(*path, *where);
    };
    auto finish = [desktop, pdfUrl, outcome, done = std::move(done)] {
        auto& made = **outcome;
        if (!made) {
            const auto& failure = made.Failure();
            Diagnostics::Line(failure.text);
            // First: the window shows itself, so the alert has a parent on screen.
            done(std::nullopt);
            desktop->ShowAlert({AlertText(failure.problem, DisplayName(pdfUrl)), {_("Close")}}, [](int) {});
            return;
        }
        auto book = std::make_shared<const document::PdfBook>(*std::move(made));
        const auto bookUrl = FileUrlFromPath(book->BookPath());
        if (!bookUrl) {
            done(std::nullopt);
            return;
        }
        done(Made{*bookUrl, pdfUrl, std::move(book)});
    };
    desktop->RunInBackground(std::move(work), std::move(finish));
}

}  // namespace brivane::app
