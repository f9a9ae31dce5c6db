#include "document/DecodeHTML.h"
#include "tests/support/CapturedLines.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

TEST(DecodeHTML, ResolvesReferencesAndDropsMarkup) {
    const std::pair<std::string, std::string> cases[] = {
        {"Tides &amp; Harbours", "Tides & Harbours"},
        {"&#169; &#x1F4D6; &eacute;", "\xC2\xA9 \xF0\x9F\x93\x96 \xC3\xA9"},
        {"&lt;b&gt;", "<b>"},
        {"<b>bold</b> word", "bold word"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e aus K\xC3\xB6ln",
         "Gr\xC3\xBC\xC3\x9F"
         "e aus K\xC3\xB6ln"},
        {"a &nosuch; b", "a &nosuch; b"},
        {"<p>A</p><p>B</p>", "A\nB"},
        {"a<br>b", "a\nb"},
        {"<script>alert(1)</script>Title", "Title"},
        {"A<!-- hidden -->B", "AB"},
        {"", ""},
    };
    for (const auto& [html, text] : cases) {
        test::CapturedLines log;
        EXPECT_EQ(decodeHTML(html), text) << html;
        EXPECT_TRUE(log.lines.empty()) << html;
    }
}

TEST(DecodeHTML, InvalidUtf8IsReturnedUnchangedWithOneLine) {
    const std::string bad = "Tides &amp; \xFF Harbours";
    test::CapturedLines log;
    EXPECT_EQ(decodeHTML(bad), bad);
    EXPECT_EQ(log.lines, std::vector<std::string>{"Error: Unable to convert string to UTF-8 data."});
}

}  // namespace
}  // namespace brivane::document
