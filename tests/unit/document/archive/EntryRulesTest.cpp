#include "document/archive/EntryPath.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::EntryPath;

const std::pair<std::string, bool> NAMES[] = {
    {"files/user/a.png", true},
    {"dir/", true},
    {"ünïcödé/名前.txt", true},
    {"a..b/c.", true},
    // "." and empty components are dropped, as other unpackers do.
    {"a/./x", true},
    {"./files/x", true},
    {"files//x", true},
    {"./", true},
    {"", false},
    {"/abs", false},
    {"../x", false},
    {"a/../x", false},
    {"./../x", false},
    {"..", false},
    {".", false},
    {"C:/x", false},
    {"./C:/x", false},
    {"c:", false},
    {"a\tb", false},
    {"a\x7F", false},
    {"a\xC2\x85"
     "b",
     false},  // C1 control (NEL)
    {std::string("a\0b", 3), false},
    {"\xFF\xFE", false},
    {"/", false},
};

TEST(EntryPath, AcceptsOnlyPlainRelativeNames) {
    for (const auto& [name, accepted] : NAMES)
        EXPECT_EQ(EntryPath::Parse(name).has_value(), accepted) << testing::PrintToString(name);
    EXPECT_EQ(EntryPath::Parse("./files//user/./a.png")->Joined(), "files/user/a.png");
}

}  // namespace
}  // namespace brivane::test
