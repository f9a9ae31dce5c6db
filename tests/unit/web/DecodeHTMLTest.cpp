#include "CapturedLines.h"
#include "DecodeHTML.h"

#include <gtest/gtest.h>

namespace brivane::web {
namespace {

struct DecodeCase {
    const char* name;
    std::string html;
    std::string text;
};

const DecodeCase kCases[] = {
    {"named reference", "Tides &amp; Harbours", "Tides & Harbours"},
    {"numeric references", "&#169; &#x1F4D6; &eacute;", "\xC2\xA9 \xF0\x9F\x93\x96 \xC3\xA9"},
    {"escaped markup stays text", "&lt;b&gt;", "<b>"},
    {"inline markup dropped", "<b>bold</b> word", "bold word"},
    {"plain text unchanged", "Plain title 2024", "Plain title 2024"},
    {"non-ASCII unchanged", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln"},
    {"unknown reference kept", "a &nosuch; b", "a &nosuch; b"},
    {"blocks on their own lines", "<p>A</p><p>B</p>", "A\nB"},
    {"line break", "a<br>b", "a\nb"},
    {"script not shown", "<script>alert(1)</script>Title", "Title"},
    {"style not shown", "<style>p{}</style>Title", "Title"},
    {"comment dropped", "A<!-- hidden -->B", "AB"},
    {"empty stays empty", "", ""},
};

TEST(DecodeHTML, ResolvesReferencesAndDropsMarkup) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::CapturedLines log;
        EXPECT_EQ(decodeHTML(c.html), c.text);
        EXPECT_TRUE(log.lines.empty());
    }
}

TEST(DecodeHTML, InvalidUtf8IsReturnedUnchangedWithOneLine) {
    const std::string bad = "Tides &amp; \xFF Harbours";
    test::CapturedLines log;
    EXPECT_EQ(decodeHTML(bad), bad);
    EXPECT_EQ(log.lines, std::vector<std::string>{"Error: Unable to convert string to UTF-8 data."});
}

}  // namespace
}  // namespace brivane::web
