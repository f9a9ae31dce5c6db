#include "tests/support/WorkspaceFixture.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::FlipbookFile;

class ExtractZip : public ::testing::Test, public WorkspaceFixture {
protected:
    // Unpacks and returns the diagnostic lines, which say how it went.
    std::vector<std::string> Unpack(FlipbookFile& book) {
        CapturedLines log;
        static_cast<void>(book.ExtractZip());
        return log.lines;
    }
};

// The metadata copy the data directory keeps, rewritten by edit.
std::function<void(const std::string&)> EditCopy(std::function<std::string(std::string)> edit) {
    return [edit](const std::string& ws) {
        Write(ws + "/data/metadata.brivane", edit(Read(ws + "/data/metadata.brivane")));
    };
}

// What a first unpacking left (it prints the workspace and the data URL),
// then spoiled; only a complete one whose metadata copy has the archive's
// length in characters is reused.
struct LeftCase {
    const char* left;
    std::function<void(const std::string& workspace)> spoil;
    const char* said;  // before the data URL when unpacked afresh; null: reused
};

const LeftCase LEFT[] = {
    {"a complete unpacking", [](const std::string&) {}, nullptr},
    // Only the length counts, not what the characters are.
    {"a combining accent adds bytes but no character",
     EditCopy([](std::string t) { return t.substr(0, t.size() - 1) + "\xCC\x81}"; }), nullptr},
    // Read as the check reads the archive's entry: a bad byte is one U+FFFD.
    {"a byte that is not UTF-8 is one character",
     EditCopy([](std::string t) { return t.replace(t.size() - 2, 1, "\xFF"); }), nullptr},
    {"one character longer", EditCopy([](std::string t) { return t + " "; }), "replace tempd dir:"},
    {"an unpacking cut short after the metadata was written",
     [](const std::string& ws) { fs::remove(ws + "/.brivane-complete"); }, ""},
    {"a marker written for another file",
     [](const std::string& ws) { Write(ws + "/.brivane-complete", "{\"path\":\"/elsewhere.flip\"}\n"); }, ""},
    {"a marker without the metadata copy", [](const std::string& ws) { fs::remove(ws + "/data/metadata.brivane"); },
     "replace tempd dir:"},
};

class LeftBehind : public ExtractZip, public ::testing::WithParamInterface<LeftCase> {};

TEST_P(LeftBehind, OnlyACompleteUnchangedUnpackingIsReused) {
    const LeftCase& c = GetParam();
    const std::string url = Flipbook("Left.flip");
    FlipbookFile first(url);
    const auto firstLines = Unpack(first);
    ASSERT_EQ(firstLines.size(), 2u) << testing::PrintToString(firstLines);
    EXPECT_EQ(firstLines[1], firstLines[0] + "/data") << "formed before the directory existed: no trailing slash";
    EXPECT_EQ(first.tempPath, firstLines[1]);
    const std::string data = DataPath(first);
    const std::string workspace = fs::path(data).parent_path();
    Write(data + "/leftover", "from before");
    c.spoil(workspace);
    const std::string copy = Read(data + "/metadata.brivane");

    FlipbookFile(url).CreateCore();  // opened again: a fresh core beside the data
    FlipbookFile again(url);
    const auto lines = Unpack(again);
    ASSERT_TRUE(again.tempPath) << c.left << ": " << testing::PrintToString(lines);
    EXPECT_EQ(fs::exists(data + "/leftover"), !c.said) << c.left;
    if (c.said) {
        EXPECT_EQ(lines, (std::vector<std::string>{lines.front(), c.said + *again.tempPath})) << c.left;
    } else {
        EXPECT_EQ(lines.size(), 1u) << c.left << ": " << testing::PrintToString(lines);
        EXPECT_EQ(Read(data + "/metadata.brivane"), copy) << c.left;
    }
    EXPECT_EQ(Read(data + "/flipbook.pdf"), SamplePdf()) << c.left;
    EXPECT_TRUE(fs::exists(workspace + "/.brivane-complete")) << c.left;
}

INSTANTIATE_TEST_SUITE_P(Table, LeftBehind, ::testing::ValuesIn(LEFT));

// The fixed line, then the reason on its own line.
TEST_F(ExtractZip, HostileArchiveFailsSayingWhy) {
    FlipbookFile book(Flipbook("Hostile.flip", SampleMetadata(), {{"../escaped.txt", "x"}, {"files/after.txt", "x"}}));
    const auto lines = Unpack(book);
    EXPECT_FALSE(book.tempPath);
    ASSERT_EQ(lines.size(), 3u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[1], "Extract ZIP error");
    EXPECT_EQ(lines[2], "../escaped.txt: leads outside the workspace");
}

}  // namespace
}  // namespace brivane::test
