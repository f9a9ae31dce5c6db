#include "TreeSnapshot.h"
#include "WorkspaceFixture.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::FlipbookFile;
namespace fs = std::filesystem;

class ExtractZip : public ::testing::Test, public WorkspaceFixture {
protected:
    // Unpacks once and returns the data directory's path.
    std::string FirstUnpack(const std::string& url) {
        FlipbookFile first(url);
        first.ExtractZip();
        return PathOf(first.tempPath.value_or(""));
    }
};

TEST_F(ExtractZip, FirstUnpackPrintsTheDataUrlAndSetsTempPath) {
    std::string url = Flipbook("Book.flip");
    FlipbookFile book(url);
    CapturedLines log;
    book.ExtractZip();
    ASSERT_EQ(log.lines.size(), 2u) << testing::PrintToString(log.lines);
    ASSERT_TRUE(book.tempPath);
    EXPECT_EQ(log.lines[1], *book.tempPath);
    // Formed before the directory existed: no trailing slash.
    EXPECT_EQ(*book.tempPath, log.lines[0] + "/data");
    EXPECT_EQ(Read(PathOf(*book.tempPath) + "/flipbook.pdf"), SamplePdf());
}

struct ReuseCase {
    const char* rule;
    std::function<std::string(const std::string&)> storedCopy;  // from the archive's metadata text
    bool replaced;
};

const ReuseCase kReuse[] = {
    {"unchanged metadata is reused", [](const std::string& t) { return t; }, false},
    {"same length, one character differs: counts as unchanged",
     [](const std::string& t) { std::string s = t; s[s.size() - 2] ^= 1; return s; }, false},
    {"a combining accent adds bytes but no character: unchanged",
     [](const std::string& t) { return t.substr(0, t.size() - 1) + "\xCC\x81}"; }, false},
    {"one character longer is replaced", [](const std::string& t) { return t + " "; }, true},
    {"one character shorter is replaced", [](const std::string& t) { return t.substr(0, t.size() - 1); }, true},
    {"a stored copy that is not UTF-8 can't vouch for the tree", [](const std::string& t) {
         std::string s = t; s[s.size() - 2] = '\xFF'; return s; }, true},
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
    CapturedLines log;
    again.ExtractZip();
    ASSERT_TRUE(again.tempPath) << c.rule;
    EXPECT_EQ(fs::exists(data + "/marker"), !c.replaced) << c.rule;
    bool replaceLine = log.lines.size() == 2 && log.lines[1] == "replace tempd dir:" + *again.tempPath;
    EXPECT_EQ(replaceLine, c.replaced) << c.rule << ": " << testing::PrintToString(log.lines);
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
    {
        FlipbookFile over(url);
        CapturedLines log;
        over.ExtractZip();
        ASSERT_TRUE(over.tempPath);
        EXPECT_EQ(log.lines.back(), "replace tempd dir:" + *over.tempPath);
    }
    fs::remove(data + "/metadata.brivane");  // the PDF stays: unpacking over it must fail
    FlipbookFile clash(url);
    CapturedLines log;
    clash.ExtractZip();
    EXPECT_FALSE(clash.tempPath);
    EXPECT_EQ(log.lines.back(), "Extract ZIP error");
}

TEST_F(ExtractZip, DamagedEntryLeavesAPartialTreeThatCountsAsUnchangedLater) {
    ZipEntry damaged{"files/user/bad.png", "png bytes"};
    damaged.crc = 7;
    std::string url = Flipbook("Damaged.flip", SampleMetadata(), {damaged});
    FlipbookFile first(url);
    {
        CapturedLines log;
        first.ExtractZip();
        EXPECT_FALSE(first.tempPath);
        EXPECT_EQ(log.lines.back(), "Extract ZIP error");
    }
    FlipbookFile second(url);
    CapturedLines log;
    second.ExtractZip();
    EXPECT_TRUE(second.tempPath) << "the metadata copy was written before the failure";
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(ExtractZip, HostileArchiveFailsWithOneLineAndTouchesNothingElse) {
    std::string url = Flipbook("Hostile.flip", SampleMetadata(),
                               {ZipEntry{"../escaped.txt", "x"}, ZipEntry{"files/after.txt", "x"}});
    auto before = SnapshotTree(g_get_tmp_dir());
    FlipbookFile book(url);
    CapturedLines log;
    book.ExtractZip();
    EXPECT_FALSE(book.tempPath);
    ASSERT_EQ(log.lines.size(), 2u) << testing::PrintToString(log.lines);
    EXPECT_EQ(log.lines[1], "Extract ZIP error");
    std::string workspace = PathOf(log.lines[0]);
    if (workspace.back() == '/') workspace.pop_back();
    auto after = SnapshotTree(g_get_tmp_dir(), workspace + "/data");
    // Only the workspace chain (root, workspace, data) may be new.
    for (const auto& [path, value] : after) {
        if (!before.count(path)) {
            EXPECT_TRUE(workspace.rfind(path, 0) == 0) << path;
        }
    }
    EXPECT_FALSE(fs::exists(std::string(g_get_tmp_dir()) + "/escaped.txt"));
}

TEST_F(ExtractZip, NoWorkspaceMeansNoUnpacking) {
    nlohmann::json meta = SampleMetadata();
    meta["id"] = 5;
    FlipbookFile book(Flipbook("NoId.flip", meta));
    auto before = SnapshotTree(g_get_tmp_dir());
    CapturedLines log;
    book.ExtractZip();
    EXPECT_FALSE(book.tempPath);
    EXPECT_EQ(log.lines, std::vector<std::string>{"Extract ZIP error"});
    EXPECT_EQ(SnapshotTree(g_get_tmp_dir()), before);
}

}  // namespace
}  // namespace brivane::test
