#include "document/DecodeHTML.h"
#include "tests/support/CapturedLines.h"

#include <glib.h>
#include <gtest/gtest.h>

namespace brivane::document {
namespace {

TEST(DecodeHTML, ResolvesReferencesAndDropsMarkupOrLeavesWhatIsNotText) {
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
        // Not UTF-8: returned unchanged, with one line.
        {"Tides &amp; \xFF Harbours", "Tides &amp; \xFF Harbours"},
    };
    for (const auto& [html, text] : cases) {
        test::CapturedLines log;
        EXPECT_EQ(decodeHTML(html), text) << html;
        const bool valid = g_utf8_validate(html.data(), static_cast<gssize>(html.size()), nullptr);
        EXPECT_EQ(log.lines, std::vector<std::string>(valid ? 0 : 1, "Error: Unable to convert string to UTF-8 data."))
            << html;
    }
}

}  // namespace
}  // namespace brivane::document
