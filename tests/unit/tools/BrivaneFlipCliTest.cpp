#include "base/FileUrl.h"
#include "document/FlipbookFile.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <sys/wait.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace brivane::test {
namespace {

struct FlipRun {
    int exit = -1;
    std::string out, err;
};

FlipRun Flip(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = BRIVANE_FLIP;
    for (const auto& a : args) command += " '" + a + "'";  // no test argument holds a quote
    const int status = std::system((command + " >" + dir / "out.txt" + " 2>" + dir / "err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(dir / "out.txt"), Read(dir / "err.txt")};
}

// args: "@" stands for the case's archive
struct CliCase {
    const char* name;
    std::vector<std::string> args;
    ZipWriter archive;
    int exit;
    std::string out;
};

TEST(BrivaneFlip, ExitCodesAndOutput) {
    const ZipWriter unparsable = ZipWriter().File("metadata.brivane", "nope");
    const CliCase cases[] = {
        {"accepted", {"check", "@"}, ValidFlipbook(), 0, "OK\n"},
        {"no metadata", {"check", "@"}, ZipWriter().File("flipbook.pdf", "x"), 1, "ERROR_NO_META\n"},
        {"unparsable metadata",
         {"check", "@"},
         unparsable,
         1,
         "Error parsing metadata GetMetadataSource\nERROR_NO_META\n"},
        {"not a file", {"check", "/nonexistent/a.flip"}, ZipWriter(), 1, "ERROR_NO_META\n"},
        {"title", {"title", "@"}, ValidFlipbook(), 0, "Tides & Harbours - A field guide\n"},
        {"title of a broken file", {"title", "@"}, unparsable, 0, "Error parsing metadata GetMetadataSource\n\n"},
        {"check without file", {"check"}, ZipWriter(), 2, ""},
        {"unknown command", {"frobnicate", "@"}, ZipWriter(), 2, ""},
        {"pack a ZIP, not a PDF", {"pack", "@", "-o", "new.flip"}, ValidFlipbook(), 1, ""},
        {"pack a missing PDF", {"pack", "/nonexistent/x.pdf", "-o", "new.flip"}, ZipWriter(), 1, ""},
        {"pack an unknown option", {"pack", BRIVANE_SAMPLE_PDF, "-o", "new.flip", "--colour"}, ZipWriter(), 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string archive = dir / "case.flip";
        c.archive.WriteTo(archive);
        std::vector<std::string> args;
        for (const auto& a : c.args) args.push_back(a == "@" ? archive : a == "new.flip" ? dir / a : a);
        const FlipRun run = Flip(dir, args);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_EQ(run.out, c.out);
        // Refusals and usage errors say why on stderr; answers never go there.
        EXPECT_EQ(run.err.empty(), c.exit == 0 || !c.out.empty()) << run.err;
    }
}

TEST(BrivaneFlip, PackMakesAFlipbookThatPassesTheCheck) {
    TempDir dir;
    dir.Write("assets/user/logo.png", "not really a PNG");
    dir.Write("assets/toc/toc.json", "[]");
    const std::string out = dir / "book.flip";
    std::vector<std::string> pack = {"pack",     BRIVANE_SAMPLE_PDF, "-o",         out,
                                     "--title",  "Fish &amp; Ships", "--subtitle", "Two",
                                     "--assets", dir / "assets"};
    ASSERT_EQ(Flip(dir, pack).exit, 0);
    EXPECT_EQ(Flip(dir, {"check", out}).out, "OK\n");
    EXPECT_EQ(Flip(dir, {"title", out}).out, "Fish & Ships - Two\n");
    // The metadata is written as the service writes it, with escaped slashes.
    const auto metadata = document::FlipbookFile(FileUrl(out)).GetMetadataSource(FileUrl(out));
    ASSERT_TRUE(metadata);
    EXPECT_NE(metadata->find(R"("files\/user\/logo.png")"), std::string::npos) << *metadata;
    EXPECT_NE(metadata->find(R"("files\/toc\/toc.json")"), std::string::npos) << *metadata;
    EXPECT_EQ(Flip(dir, pack).exit, 1) << "overwrote without --force";
    pack.push_back("--force");
    EXPECT_EQ(Flip(dir, pack).exit, 0);
}

// What pack writes, open unpacks: every asset name pack accepts survives the
// round trip, and a name open would refuse is refused by pack, in one line.
TEST(BrivaneFlip, PackRefusesWhatOpenWouldRefuse) {
    const struct {
        const char* name;
        std::string asset, title;
        bool packs;
    } cases[] = {
        {"plain tree", "user/12/page 1.jpg", "T", true},
        {"odd but printable names", "toc/#1 %20 caf\xC3\xA9 \xE5\x90\x8D?.png", "T", true},
        {"a tab in an asset name", "user/a\tb.png", "T", false},
        {"an asset name that is not UTF-8", "user/caf\xE9.png", "T", false},
        {"a title that is not UTF-8", "user/a.png", "caf\xE9", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        dir.Write("assets/" + c.asset, "asset bytes");
        const std::string out = dir / "Round Trip.flip";
        const FlipRun pack =
            Flip(dir, {"pack", BRIVANE_SAMPLE_PDF, "-o", out, "--title", c.title, "--assets", dir / "assets"});
        if (!c.packs) {
            EXPECT_EQ(pack.exit, 1);
            EXPECT_EQ(std::count(pack.err.begin(), pack.err.end(), '\n'), 1) << pack.err;
            EXPECT_FALSE(std::filesystem::exists(out));
            continue;
        }
        ASSERT_EQ(pack.exit, 0) << pack.err;
        const FlipRun open = Flip(dir, {"open", out});
        ASSERT_EQ(open.exit, 0) << open.out;
        // The configuration is the last line, compact.
        const std::string last = open.out.substr(open.out.rfind('\n', open.out.size() - 2) + 1);
        const auto config = nlohmann::json::parse(last);
        const std::string data = PathFromFileUrl(config["thumbnailPath"].get<std::string>()).value_or("?");
        EXPECT_EQ(Read(data + "/files/" + c.asset), "asset bytes");
    }
}

// Metadata nested 100,000 levels once passed the check and then crashed open
// while the configuration was written out.
TEST(BrivaneFlip, DeepMetadataIsRefusedNotFatal) {
    TempDir dir;
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    ZipWriter()
        .File("metadata.brivane", R"({"id":"x","deep":)" + deep + "}", 8)
        .File("flipbook.pdf", SamplePdf())
        .WriteTo(dir / "deep.flip");
    const FlipRun check = Flip(dir, {"check", dir / "deep.flip"});
    EXPECT_EQ(check.exit, 1);
    EXPECT_EQ(check.out, "Error parsing metadata GetMetadataSource\nERROR_NO_META\n");
    const FlipRun open = Flip(dir, {"open", dir / "deep.flip"});
    EXPECT_EQ(open.exit, 1);
    EXPECT_NE(open.out.find("Extract ZIP error\n"), std::string::npos) << open.out;
}

}  // namespace
}  // namespace brivane::test
