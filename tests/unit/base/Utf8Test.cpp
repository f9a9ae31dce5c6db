#include "base/Utf8.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

// One replacement per maximal ill-formed subpart: a decoder that replaced
// byte by byte, or swallowed the byte after a broken sequence, fails here.
TEST(Utf8, DecodesWithReplacement) {
    const std::pair<std::string, std::string> cases[] = {
        {"{}\xFF", "{}" + R},
        {"\xEF\xBB\xBF{}", "\xEF\xBB\xBF{}"},              // byte order mark kept
        {std::string("a\0b", 3), std::string("a\0b", 3)},  // embedded NUL kept
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x96", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x96"},
        {"a\xE2\x82z", "a" + R + "z"},        // truncated: one replacement, and what follows is kept
        {"a\xF0\x9F\x93", "a" + R},           // truncated at end of input
        {"\x80\xBF", R + R},                  // lone continuation bytes
        {"\xC0\xAF", R + R},                  // overlong form
        {"\xED\xA0\x80", R + R + R},          // surrogate
        {"\xF4\x90\x80\x80", R + R + R + R},  // above U+10FFFF
    };
    for (const auto& [bytes, decoded] : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        EXPECT_EQ(DecodeUtf8Lossy(bytes), decoded);
        EXPECT_EQ(IsValidUtf8(bytes), bytes == decoded);
    }
}

}  // namespace
}  // namespace brivane::document
