#include "tests/support/WorkspaceFixture.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::FlipbookFile;

class ExtractZip : public ::testing::Test, public WorkspaceFixture {
protected:
    // Unpacks once and returns the data directory's path.
    std::string FirstUnpack(const std::string& url) {
        FlipbookFile first(url);
        EXPECT_TRUE(first.ExtractZip());
        return PathOf(first.tempPath.value_or(""));
    }
    // Unpacks again and returns the diagnostic lines, which say how it went.
    std::vector<std::string> Unpack(FlipbookFile& book) {
        CapturedLines log;
        static_cast<void>(book.ExtractZip());
        return log.lines;
    }
};

TEST_F(ExtractZip, FirstUnpackPrintsTheDataUrlAndSetsTempPath) {
    FlipbookFile book(Flipbook("Book.flip"));
    const auto lines = Unpack(book);
    ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
    ASSERT_TRUE(book.tempPath);
    EXPECT_EQ(lines[1], *book.tempPath);
    EXPECT_EQ(*book.tempPath, lines[0] + "/data") << "formed before the directory existed: no trailing slash";
    EXPECT_EQ(Read(PathOf(*book.tempPath) + "/flipbook.pdf"), SamplePdf());
}

// storedCopy: what the data directory keeps, made from the archive's metadata
// text.
struct ReuseCase {
    const char* rule;
    std::function<std::string(const std::string&)> storedCopy;
    bool replaced;
};

const ReuseCase REUSE[] = {
    {"unchanged metadata is reused", [](const std::string& t) { return t; }, false},
    {"same length, one character differs: counts as unchanged",
     [](const std::string& t) {
         std::string s = t;
         s[s.size() - 2] ^= 1;
         return s;
     },
     false},
    {"a combining accent adds bytes but no character: unchanged",
     [](const std::string& t) { return t.substr(0, t.size() - 1) + "\xCC\x81}"; }, false},
    {"one character longer is replaced", [](const std::string& t) { return t + " "; }, true},
    // Read as the check reads the archive's entry: a bad byte is one U+FFFD.
    {"a byte that is not UTF-8 is one character: unchanged",
     [](const std::string& t) {
         std::string s = t;
         s[s.size() - 2] = '\xFF';
         return s;
     },
     false},
};

class ReuseRule : public ExtractZip, public ::testing::WithParamInterface<ReuseCase> {};

TEST_P(ReuseRule, ReplacesTheDataDirectoryOnlyWhenTheLengthChanged) {
    const ReuseCase& c = GetParam();
    std::string url = Flipbook("Reuse.flip");
    std::string data = FirstUnpack(url);
    ASSERT_FALSE(data.empty());
    std::string stored = c.storedCopy(Read(data + "/metadata.brivane"));
    Write(data + "/metadata.brivane", stored);
    Write(data + "/marker", "left by the first unpacking");

    FlipbookFile again(url);
    const auto lines = Unpack(again);
    ASSERT_TRUE(again.tempPath) << c.rule;
    EXPECT_EQ(fs::exists(data + "/marker"), !c.replaced) << c.rule;
    bool replaceLine = lines.size() == 2 && lines[1] == "replace tempd dir:" + *again.tempPath;
    EXPECT_EQ(replaceLine, c.replaced) << c.rule << ": " << testing::PrintToString(lines);
    if (!c.replaced) {
        EXPECT_EQ(Read(data + "/metadata.brivane"), stored) << c.rule;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ReuseRule, ::testing::ValuesIn(REUSE));

// What an earlier unpacking may have left; only a complete one is reused.
struct LeftCase {
    const char* left;
    std::function<void(const std::string& workspace)> spoil;
    bool reused;
};

void PrintTo(const LeftCase& c, std::ostream* os) { *os << c.left; }

const LeftCase LEFT[] = {
    {"a complete unpacking", [](const std::string&) {}, true},
    {"an unpacking cut short after the metadata was written",
     [](const std::string& ws) { fs::remove(ws + "/.brivane-complete"); }, false},
    {"a marker written for another file",
     [](const std::string& ws) { Write(ws + "/.brivane-complete", "{\"path\":\"/elsewhere.flip\"}\n"); }, false},
    {"a marker without the metadata copy", [](const std::string& ws) { fs::remove(ws + "/data/metadata.brivane"); },
     false},
    {"neither marker nor metadata copy, the PDF still there",
     [](const std::string& ws) {
         fs::remove(ws + "/.brivane-complete");
         fs::remove(ws + "/data/metadata.brivane");
     },
     false},
};

class LeftBehind : public ExtractZip, public ::testing::WithParamInterface<LeftCase> {};

TEST_P(LeftBehind, OnlyACompleteUnpackingIsReusedAnythingElseIsUnpackedAfresh) {
    const LeftCase& c = GetParam();
    const std::string url = Flipbook("Left.flip");
    std::string data = FirstUnpack(url);
    ASSERT_FALSE(data.empty());
    if (data.back() == '/') data.pop_back();
    const std::string workspace = fs::path(data).parent_path();
    EXPECT_TRUE(fs::exists(workspace + "/.brivane-complete"));
    Write(data + "/leftover", "from before");
    c.spoil(workspace);

    FlipbookFile(url).CreateCore();  // opened again: a fresh core beside the data
    FlipbookFile again(url);
    const auto lines = Unpack(again);
    ASSERT_TRUE(again.tempPath) << c.left << ": " << testing::PrintToString(lines);
    EXPECT_EQ(fs::exists(data + "/leftover"), c.reused) << c.left;
    EXPECT_EQ(lines.size() == 2 && lines[1].ends_with(*again.tempPath), !c.reused)
        << c.left << ": the unpacking says so";
    EXPECT_EQ(Read(data + "/flipbook.pdf"), SamplePdf()) << c.left;
    EXPECT_TRUE(fs::exists(workspace + "/.brivane-complete")) << c.left;
}

INSTANTIATE_TEST_SUITE_P(Table, LeftBehind, ::testing::ValuesIn(LEFT));

// The fixed line, then the reason on its own line.
TEST_F(ExtractZip, HostileArchiveFailsSayingWhyAndTouchesNothingElse) {
    FlipbookFile book(Flipbook("Hostile.flip", SampleMetadata(), {{"../escaped.txt", "x"}, {"files/after.txt", "x"}}));
    auto before = SnapshotTree(g_get_tmp_dir());
    const auto lines = Unpack(book);
    EXPECT_FALSE(book.tempPath);
    ASSERT_EQ(lines.size(), 3u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[1], "Extract ZIP error");
    EXPECT_EQ(lines[2], "../escaped.txt: leads outside the workspace");
    std::string workspace = PathOf(lines[0]);
    if (workspace.back() == '/') workspace.pop_back();
    // Only the workspace chain (root, workspace, data) and our bookkeeping may be new.
    for (const auto& [path, value] : SnapshotTree(g_get_tmp_dir(), workspace + "/data"))
        EXPECT_TRUE(before.count(path) || workspace.rfind(path, 0) == 0 || IsBookkeeping(path)) << path;
    EXPECT_FALSE(fs::exists(workspace + "/.brivane-complete")) << "a failed unpacking is never complete";
    EXPECT_FALSE(fs::exists(std::string(g_get_tmp_dir()) + "/escaped.txt"));
}

}  // namespace
}  // namespace brivane::test
