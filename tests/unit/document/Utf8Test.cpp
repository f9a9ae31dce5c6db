#include "Utf8.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    std::string decoded;
};

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

// One replacement per maximal ill-formed subpart: a decoder that replaced
// byte by byte, or swallowed the byte after a broken sequence, fails here.
const Utf8Case kCases[] = {
    {"ascii", "{\"a\":1}", "{\"a\":1}"},
    {"empty object then 0xFF", "{}\xFF", "{}" + R},
    {"byte order mark kept", "\xEF\xBB\xBF{}", "\xEF\xBB\xBF{}"},
    {"embedded NUL kept", std::string("a\0b", 3), std::string("a\0b", 3)},
    {"two, three and four byte forms", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x96", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x96"},
    {"truncated three-byte sequence is one replacement", "a\xE2\x82z", "a" + R + "z"},
    {"truncated at end of input", "a\xF0\x9F\x93", "a" + R},
    {"lone continuation bytes each replaced", "\x80\xBF", R + R},
    {"overlong two-byte form", "\xC0\xAF", R + R},
    {"overlong three-byte form", "\xE0\x80\xAF", R + R + R},
    {"surrogate", "\xED\xA0\x80", R + R + R},
    {"above U+10FFFF", "\xF4\x90\x80\x80", R + R + R + R},
    {"F5 lead", "\xF5\x80", R + R},
    {"broken sequence does not eat the next character", "\xE2\x82\xC3\xA9", R + "\xC3\xA9"},
};

TEST(Utf8, DecodesWithReplacement) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeUtf8Lossy(c.bytes), c.decoded);
        EXPECT_EQ(IsValidUtf8(c.bytes), c.bytes == c.decoded);
    }
}

}  // namespace
}  // namespace brivane::document
