#include "EntryPath.h"
#include "GraphemeCount.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::CountGraphemes;
using document::EntryPath;

struct NameCase {
    std::string name;
    bool accepted;
};

const NameCase kNames[] = {
    {"files/user/a.png", true}, {"dir/", true}, {"ünïcödé/名前.txt", true}, {"a..b/c.", true},
    {"", false}, {"/abs", false}, {"../x", false}, {"a/../x", false}, {"a/./x", false}, {"..", false},
    {"a//b", false}, {"C:/x", false}, {"c:", false}, {"a\tb", false}, {"a\x7F", false},
    {"a\xC2\x85" "b", false},  // C1 control (NEL)
    {std::string("a\0b", 3), false}, {"\xFF\xFE", false}, {"/", false},
};

TEST(EntryPath, AcceptsOnlyPlainRelativeNames) {
    for (const NameCase& c : kNames)
        EXPECT_EQ(EntryPath::Parse(c.name).has_value(), c.accepted) << testing::PrintToString(c.name);
}

struct LinkCase {
    const char* link;
    const char* target;
    bool inside;
};

const LinkCase kLinks[] = {
    {"a", "b", true},          {"a", ".", true},         {"d/a", "..", true},   {"d/e/a", "../../x", true},
    {"a", "..", false},        {"d/a", "../..", false},  {"a", "/etc", false},  {"a", "", false},
    {"d/a", "x/../../..", false}, {"a", "b/../../c", false}, {"a", "./././b/", true},
};

TEST(EntryPath, LinkTargetsMustStayInsideOnPaper) {
    for (const LinkCase& c : kLinks)
        EXPECT_EQ(EntryPath::Parse(c.link)->LinkTargetStaysInside(c.target), c.inside) << c.link << " -> " << c.target;
}

struct GraphemeCase {
    const char* text;
    size_t count;
};

const GraphemeCase kGraphemes[] = {
    {"", 0}, {"abc", 3}, {"e\xCC\x81", 1},                        // e + combining acute
    {"\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA", 1},                       // flag: two regional indicators
    {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7", 1},  // ZWJ family
    {"\r\n", 1}, {"\xEA\xB0\x81", 1}, {"\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8", 1},   // Hangul, precomposed and jamo
};

TEST(CountGraphemes, CountsWhatAReaderSeesAsOneCharacter) {
    for (const GraphemeCase& c : kGraphemes) EXPECT_EQ(CountGraphemes(c.text), c.count) << c.text;
}

}  // namespace
}  // namespace brivane::test
