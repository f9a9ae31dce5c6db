#include "base/FileUrl.h"
#include "document/FlipbookMeta.h"
#include "document/PdfBook.h"
#include "document/WorkspaceSweeper.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace brivane::document {
namespace {

namespace fs = std::filesystem;
using Problem = PdfInfo::Problem;

// A one-page PDF written by hand, so a test can give it a title or lock it
// with a password nobody knows.
std::string SmallPdf(const std::string& title = {}, bool locked = false) {
    std::vector<std::string> objects = {"<</Type/Catalog/Pages 2 0 R>>", "<</Type/Pages/Kids[3 0 R]/Count 1>>",
                                        "<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 300]>>"};
    std::string trailer = "/Root 1 0 R";
    if (!title.empty()) {
        objects.push_back("<</Title(" + title + ")>>");
        trailer += "/Info " + std::to_string(objects.size()) + " 0 R";
    }
    if (locked) {
        objects.push_back("<</Filter/Standard/V 1/R 2/O<" + std::string(64, 'a') + ">/U<" + std::string(64, 'c') +
                          ">/P -4>>");
        trailer += "/Encrypt " + std::to_string(objects.size()) + " 0 R/ID[<" + std::string(32, '1') + "><" +
                   std::string(32, '1') + ">]";
    }
    std::string out = "%PDF-1.4\n";
    std::string xref = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t i = 0; i < objects.size(); ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", out.size());
        xref += entry;
        out += std::to_string(i + 1) + " 0 obj " + objects[i] + " endobj\n";
    }
    const std::size_t start = out.size();
    return out + xref + "trailer <</Size " + std::to_string(objects.size() + 1) + trailer + ">>\nstartxref\n" +
           std::to_string(start) + "\n%%EOF\n";
}

std::string MetadataTitle(const std::string& bookPath) { return FlipbookMeta(*FileUrlFromPath(bookPath)).GetTitle(); }

TEST(PdfBook, TitlesAndNamesComeFromThePdfAndAreAlwaysSafe) {
    const struct {
        std::string infoTitle, path, title, bookFile;
    } cases[] = {
        {"Annual Report", "/d/ar-2025.pdf", "Annual Report", "ar-2025.flip"},
        {"", "/d/Annual report 2025.PDF", "Annual report 2025", "Annual report 2025.flip"},
        {" \t", "/d/notes.v2.pdf", "notes.v2", "notes.v2.flip"},  // a blank title names nothing
        {"\xff\xfe", "/d/raw.pdf", "raw", "raw.flip"},            // nor does one that is not text
        {"", "/d/no-extension", "no-extension", "no-extension.flip"},
        {"", "/d/.hidden.pdf", ".hidden", "book.hidden.flip"},  // never a hidden file, nor "." or ".."
        {"", "/d/line\nbreak.pdf", "line\nbreak", "line_break.flip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(PdfBook::TitleFor(c.infoTitle, c.path), c.title);
        EXPECT_EQ(PdfBook::BookFileName(c.path), c.bookFile);
    }
    // However long the name, the book's file stays one path component with room to spare.
    std::string longName = "/d/";
    for (int i = 0; i < 100; ++i) longName += "\xc3\xa9";  // two bytes each: a cut must not split one
    const std::string file = PdfBook::BookFileName(longName + ".pdf");
    EXPECT_LE(file.size(), 130u);
    EXPECT_TRUE(g_utf8_validate(file.c_str(), -1, nullptr)) << file;

    EXPECT_NE(PdfBook::WorkspaceName("/d/a.pdf"), PdfBook::WorkspaceName("/e/a.pdf"));
    EXPECT_EQ(PdfBook::WorkspaceName("/d/../../etc/x.pdf").rfind("pdf-", 0), 0u);
}

// The same unchanged PDF reuses its book; an edited one (new size or time)
// gets a new one; each failure says which kind it is.
TEST(PdfBook, MakesReusesAndRefuses) {
    test::TempDir dir, root;
    const std::string pdf = dir / "Report.pdf";
    test::Write(pdf, SmallPdf("Quarterly (Q3)"));

    const auto first = PdfBook::Make(pdf, root.Path());
    ASSERT_TRUE(first) << first.Failure().text;
    const PdfBook& made = *first;
    EXPECT_TRUE(made.Fresh());
    EXPECT_EQ(fs::path(made.BookPath()).filename(), "Report.flip");
    EXPECT_TRUE(fs::path(made.BookPath()).string().starts_with(root.Path() + "/pdf-"));
    EXPECT_EQ(ValidateFlipbookFile(*FileUrlFromPath(made.BookPath())), CheckResult::Accepted);
    EXPECT_EQ(MetadataTitle(made.BookPath()), "Quarterly (Q3)");

    const auto again = PdfBook::Make(pdf, root.Path());
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->Fresh()) << "made twice for the same file";
    EXPECT_EQ(again->BookPath(), made.BookPath());

    // Edited in place: same path, new content and time. The first book is
    // still held, so the new one goes beside it.
    test::Write(pdf, SmallPdf("Quarterly (Q4)") + "% longer\n");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, pdf.c_str(), times, 0), 0);
    const auto edited = PdfBook::Make(pdf, root.Path());
    ASSERT_TRUE(edited);
    EXPECT_TRUE(edited->Fresh());
    EXPECT_EQ(MetadataTitle(edited->BookPath()), "Quarterly (Q4)");

    test::Write(dir / "notes.txt", "plain words\n");
    test::Write(dir / "locked.pdf", SmallPdf({}, true));
    const std::pair<std::string, Problem> refusals[] = {
        {dir / "notes.txt", Problem::NotPdf},
        {dir / "locked.pdf", Problem::Encrypted},
        {dir / "missing.pdf", Problem::Unreadable},
    };
    for (const auto& [path, problem] : refusals) {
        SCOPED_TRACE(path);
        const auto outcome = PdfBook::Make(path, root.Path());
        ASSERT_FALSE(outcome);
        EXPECT_EQ(outcome.Failure().problem, problem);
    }
}

// A made book counts as workspace content: kept while a window reads it,
// swept like any other once nobody does.
TEST(PdfBook, IsSweptOnlyOnceLetGo) {
    test::TempDir dir, root;
    const std::string pdf = dir / "a.pdf";
    test::Write(pdf, SmallPdf());
    const WorkspaceSweeper::Budget keepNone{0, 1};
    std::string bookPath;
    {
        auto made = PdfBook::Make(pdf, root.Path());
        ASSERT_TRUE(made);
        bookPath = made->BookPath();
        EXPECT_TRUE(WorkspaceSweeper::Sweep(root.Path(), keepNone).empty());
        EXPECT_TRUE(fs::exists(bookPath));
    }
    EXPECT_EQ(WorkspaceSweeper::Sweep(root.Path(), keepNone).size(), 1u);
    EXPECT_FALSE(fs::exists(bookPath));
}

}  // namespace
}  // namespace brivane::document
