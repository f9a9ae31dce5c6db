#include "WorkspaceFixture.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::FlipbookFile;

class ExtractZip : public ::testing::Test, public WorkspaceFixture {
protected:
    // Unpacks once and returns the data directory's path.
    std::string FirstUnpack(const std::string& url) {
        FlipbookFile first(url);
        first.ExtractZip();
        return PathOf(first.tempPath.value_or(""));
    }
    // Unpacks again and returns the diagnostic lines.
    std::vector<std::string> Unpack(FlipbookFile& book) {
        CapturedLines log;
        book.ExtractZip();
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

const ReuseCase kReuse[] = {
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

INSTANTIATE_TEST_SUITE_P(Table, ReuseRule, ::testing::ValuesIn(kReuse));

TEST_F(ExtractZip, DataDirectoryWithoutMetadataCopyIsFilledOrRefused) {
    std::string url = Flipbook("Over.flip");
    std::string data = FirstUnpack(url);
    fs::remove(data + "/metadata.brivane");
    fs::remove(data + "/flipbook.pdf");
    FlipbookFile over(url);
    const auto lines = Unpack(over);
    EXPECT_EQ(lines.back(), "replace tempd dir:" + over.tempPath.value_or("?"));
    fs::remove(data + "/metadata.brivane");  // the PDF stays: unpacking over it must fail
    FlipbookFile clash(url);
    const auto refused = Unpack(clash);
    ASSERT_GE(refused.size(), 2u);
    EXPECT_EQ(std::vector(refused.end() - 2, refused.end()),
              (std::vector<std::string>{"Extract ZIP error", "flipbook.pdf: already exists"}));
    EXPECT_FALSE(clash.tempPath);
    ASSERT_TRUE(clash.unpackFailure);
    EXPECT_EQ(clash.unpackFailure->cause, document::UnpackFailure::Cause::AlreadyExists);
}

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
    // Only the workspace chain (root, workspace, data) may be new.
    for (const auto& [path, value] : SnapshotTree(g_get_tmp_dir(), workspace + "/data"))
        EXPECT_TRUE(before.count(path) || workspace.rfind(path, 0) == 0) << path;
    EXPECT_FALSE(fs::exists(std::string(g_get_tmp_dir()) + "/escaped.txt"));
}

}  // namespace
}  // namespace brivane::test
