#include "app/DroppedFiles.h"
#include "app/PdfBookFlow.h"
#include "base/FileUrl.h"
#include "tests/support/TempDir.h"
#include "tests/unit/web/FakeDesktop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

namespace brivane::app {
namespace {

using Kind = DroppedFiles::Kind;
using Problem = document::PdfInfo::Problem;

// Enough of a PDF for the header test; poppler never sees it.
constexpr const char* PDF_HEAD = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";

TEST(DroppedFiles, OnlyFlipbooksAndPdfsAreTakenAndOneStrangerRefusesTheDrop) {
    test::TempDir dir;
    test::Write(dir / "book.flip", "PK");
    test::Write(dir / "Paper.PDF", "anything");                   // the name decides first
    test::Write(dir / "scan", std::string(200, ' ') + PDF_HEAD);  // a PDF without its extension
    test::Write(dir / "notes.txt", "words");
    // A flipbook stores its PDF near its start; without its extension it is still no PDF.
    test::Write(dir / "renamed", std::string("PK\x03\x04") + std::string(100, '\0') + PDF_HEAD);
    std::filesystem::create_directory(dir / "folder.flip");
    const std::pair<std::string, Kind> kinds[] = {{"book.flip", Kind::Flipbook}, {"Paper.PDF", Kind::Pdf},
                                                  {"scan", Kind::Pdf},           {"notes.txt", Kind::Other},
                                                  {"renamed", Kind::Other},      {"folder.flip", Kind::Other}};
    for (const auto& [name, kind] : kinds) EXPECT_EQ(DroppedFiles::KindOf(dir / name), kind) << name;

    const auto url = [&](const char* name) { return *FileUrlFromPath(dir / name); };
    const struct {
        std::vector<std::string> urls;
        std::size_t flipbooks, pdfs, refused;
        bool acceptable;
    } drops[] = {
        {{url("Paper.PDF"), url("book.flip"), url("scan")}, 1, 2, 0, true},
        {{url("book.flip"), url("notes.txt")}, 1, 0, 1, false},
        {{"https://example.org/book.flip"}, 0, 0, 1, false},
        {{}, 0, 0, 0, false},
    };
    for (const auto& d : drops) {
        const DroppedFiles sorted = DroppedFiles::Sort(d.urls);
        EXPECT_EQ(std::tuple(sorted.flipbooks.size(), sorted.pdfs.size(), sorted.refused.size(), sorted.Acceptable()),
                  std::tuple(d.flipbooks, d.pdfs, d.refused, d.acceptable))
            << testing::PrintToString(d.urls);
    }
}

// A book is made off the main thread, then opened and remembered as its PDF;
// a PDF that cannot become one shows why, after the window heard "nothing" so
// it leaves its busy state.
TEST(PdfBookFlow, MakesTheBookInTheBackgroundOrShowsWhyNot) {
    test::TempDir dir, root;
    test::Write(dir / "cut.pdf", std::string(PDF_HEAD) + "1 0 obj <<");  // a header, nothing behind it
    // A PDF's address and the alert it gets, none when the book is made.
    const std::pair<std::string, std::string> cases[] = {
        {*FileUrlFromPath(BRIVANE_SAMPLE_PDF), ""},
        {*FileUrlFromPath(dir / "cut.pdf"), "“cut.pdf” is not a PDF document."},
        {"https://example.org/a.pdf", "“https://example.org/a.pdf” cannot be read."},
    };
    for (const auto& [url, alert] : cases) {
        SCOPED_TRACE(url);
        auto desktop = std::make_shared<test::FakeDesktop>();
        desktop->holdBackground = true;
        std::vector<std::optional<PdfBookFlow::Made>> results;
        PdfBookFlow::Start(
            desktop, url, [&](std::optional<PdfBookFlow::Made> made) { results.push_back(std::move(made)); },
            [&] { return std::optional<std::string>(root.Path()); });
        EXPECT_TRUE(results.empty()) << "made on the main thread";
        desktop->RunBackground();
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].has_value(), alert.empty());
        if (results[0]) {
            EXPECT_TRUE(desktop->alerts.empty());
            EXPECT_EQ(results[0]->pdfUrl, url);
            EXPECT_TRUE(results[0]->bookUrl.ends_with("/sample.flip")) << results[0]->bookUrl;
            EXPECT_TRUE(results[0]->hold);
            continue;
        }
        ASSERT_EQ(desktop->alerts.size(), 1u);
        EXPECT_EQ(desktop->alerts[0].alert.text, alert);
        EXPECT_EQ(desktop->alerts[0].alert.buttons, std::vector<std::string>{"Close"});
    }
    std::set<std::string> texts;
    for (auto problem :
         {Problem::Unreadable, Problem::NotPdf, Problem::Encrypted, Problem::NoPages, Problem::CannotWrite})
        texts.insert(PdfBookFlow::AlertFormat(problem));
    EXPECT_EQ(texts.size(), 5u);
}

}  // namespace
}  // namespace brivane::app
