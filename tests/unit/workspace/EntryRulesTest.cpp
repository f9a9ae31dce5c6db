#include "EntryPath.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

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

}  // namespace
}  // namespace brivane::test
