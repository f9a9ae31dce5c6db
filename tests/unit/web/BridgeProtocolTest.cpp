#include "web/BridgeProtocol.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <optional>
#include <tuple>
#include <vector>

namespace brivane::web {
namespace {

using Action = BridgeProtocol::FlipbookAction;

// Guards the prefix match and the byte offsets: a character-based offset or a
// separator check would hand the wrong address to the system.
TEST(BridgeProtocolTest, FlipbookMessagesMatchByPrefixAndByteOffset) {
    const struct {
        std::string text;
        Action action;
        std::string argument;
    } cases[] = {
        {"action.openpdf https://a.example/x.pdf", Action::OpenPdf, "https://a.example/x.pdf"},
        {"action.openpdf|file:///w/data/flipbook.pdf", Action::OpenPdf, "file:///w/data/flipbook.pdf"},
        {"action.printer", Action::Print, "r"},
        {"action.print\xE2\x82\xAChttps://a", Action::Print, "\x82\xAChttps://a"},
        {"action.print ", Action::Print, ""},
        {"action.print", Action::None, ""},
        {"Action.print x", Action::None, ""},
        {" action.print x", Action::None, ""},
        {"action.drawn", Action::None, ""},
    };
    for (const auto& c : cases) {
        const auto message = BridgeProtocol::DispatchFlipbookMessage(c.text);
        EXPECT_EQ(message.action, c.action) << c.text;
        EXPECT_EQ(message.argument, c.argument) << c.text;
    }
}

TEST(BridgeProtocolTest, StartMessagesMatchTheWholeText) {
    using Start = BridgeProtocol::StartAction;
    const std::pair<std::string, Start> cases[] = {
        {"action.openfile", Start::OpenFile}, {"action.help", Start::Help}, {"action.clearrecent", Start::ClearRecent},
        {"action.openfile ", Start::None},    {"Action.help", Start::None}, {"action.clearrecent 1", Start::None},
    };
    for (const auto& [text, action] : cases) EXPECT_EQ(BridgeProtocol::DispatchStartMessage(text), action) << text;
}

// The echo hands the text back as a string literal: quotes, line breaks and
// markup in it are only text.
TEST(BridgeProtocolTest, EchoCarriesTheTextAsAStringLiteral) {
    const std::pair<std::string, std::string> cases[] = {
        {"action.help", R"('action.help')"},
        {"it's", R"('it\'s')"},
        {"a\\b\nc\r", R"('a\\b\x0Ac\x0D')"},
        {"</script><b>", R"('\x3C/script\x3E\x3Cb\x3E')"},
        {"\xE2\x80\xA8 \xE2\x80\xA9 \xE2\x80\xA6", "'\\u2028 \\u2029 \xE2\x80\xA6'"},
        {"bad \xFF", "'bad \xEF\xBF\xBD'"},
    };
    for (const auto& [text, literal] : cases)
        EXPECT_EQ(BridgeProtocol::EchoScript(text), "webkit.messageHandlers.bridge.onMessage(" + literal + ")") << text;
}

// Only plain decimal numbers the page could have written count; anything
// else must not reach the position store or pick or drop a recent book.
TEST(BridgeProtocolTest, PageNumbersAndRecentIndexesAreDigitsOnly) {
    const std::pair<std::string, std::optional<int>> pages[] = {
        {"1", 1},           {"0", std::nullopt},      {"+3", std::nullopt},         {"3 ", std::nullopt},
        {"", std::nullopt}, {"999999999", 999999999}, {"9999999999", std::nullopt},
    };
    for (const auto& [text, want] : pages) EXPECT_EQ(BridgeProtocol::PageNumber(text), want) << text;
    using Index = std::optional<std::size_t>;
    const std::tuple<std::string, Index, Index> recent[] = {
        // the text, the book it opens, the book it drops
        {"action.openrecent 0", 0, std::nullopt},
        {"action.removerecent 7", std::nullopt, 7},
        {"action.openrecent", std::nullopt, std::nullopt},
        {"action.removerecent ", std::nullopt, std::nullopt},
        {"action.openrecent x", std::nullopt, std::nullopt},
        {"action.removerecent ../x", std::nullopt, std::nullopt},
        {"action.openrecent 99999", std::nullopt, std::nullopt},
    };
    for (const auto& [text, open, drop] : recent) {
        EXPECT_EQ(BridgeProtocol::RecentBookIndex(text), open) << text;
        EXPECT_EQ(BridgeProtocol::RemovedRecentIndex(text), drop) << text;
    }
}

// The reader page asks for full screen on or off; nothing else counts as a request.
TEST(BridgeProtocolTest, FullscreenRequestsAreOnOrOff) {
    const std::pair<std::string, std::optional<bool>> cases[] = {
        {"on", true}, {"off", false}, {"On", std::nullopt}, {"on ", std::nullopt}, {"", std::nullopt}};
    for (const auto& [text, want] : cases) EXPECT_EQ(BridgeProtocol::FullscreenWanted(text), want) << text;
}

// What "Current page" prints comes from here: one page or two, numbers only.
TEST(BridgeProtocolTest, PagesOnScreenAreOneOrTwoPageNumbers) {
    using Pages = std::optional<std::vector<int>>;
    const std::pair<std::string, Pages> cases[] = {
        {"7", std::vector{7}},   {"4 5", std::vector{4, 5}}, {"5 4", std::vector{5, 4}}, {"", std::nullopt},
        {"4 5 6", std::nullopt}, {"4 ", std::nullopt},       {" 4", std::nullopt},       {"4,5", std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(BridgeProtocol::PagesOnScreen(text), want) << text;
}

// The page's view state goes into the user's state file: one unknown key or
// bad value refuses the whole report. What goes back is an object literal.
TEST(BridgeProtocolTest, ViewStateIsCompactJsonOfKnownFieldsOnly) {
    using State = document::ViewState;
    const std::pair<std::string, std::optional<State>> cases[] = {
        {R"({"view":"single","fit":"width","zoom":1.25,"direction":"rtl"})", State{"single", "width", 1.25, "rtl"}},
        {R"( { "zoom" : 1 } )", State{{}, {}, 1.0, {}}},
        {R"({"view":"single","extra":1})", std::nullopt},
        {R"({"view":"sideways"})", std::nullopt},
        {R"(["view","single"])", std::nullopt},
        {R"({"view":"single")", std::nullopt},
        {R"({"view":"single"})" + std::string(BridgeProtocol::MAX_VIEW_BYTES, ' '), std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(BridgeProtocol::ViewStateOf(text), want) << text;
    EXPECT_EQ(BridgeProtocol::ResumeScript(3, {"single", {}, 0.25, "rtl"}),
              R"(onResume(3, {"direction":"rtl","view":"single","zoom":0.25}))");
}

// Titles become script source: nothing in them may end the call early.
TEST(BridgeProtocolTest, RecentBooksCallIsOneAsciiLine) {
    const nlohmann::json books = {{{"title", "Caf\xC3\xA9 ')\n\xE2\x80\xA8"}, {"file", "a.flip"}}};
    EXPECT_EQ(BridgeProtocol::RecentBooksScript(books),
              R"(onRecentBooks([{"file":"a.flip","title":"Caf\u00e9 ')\n\u2028"}]))");
}

// The page must receive an object, and text that is not UTF-8 must not throw
// inside the load-finished handler. Compact: a large metadata document must
// not grow by its indentation.
TEST(BridgeProtocolTest, ConfigurationCallCarriesCompactJsonObject) {
    EXPECT_EQ(BridgeProtocol::ConfigurationScript({{"path", "file:///w/p.pdf"}, {"metadata", {{"title", "bad \xFF"}}}}),
              "onMessage({\"metadata\":{\"title\":\"bad \xEF\xBF\xBD\"},\"path\":\"file:///w/p.pdf\"})");
}

// The shown text comes from the page on every turn and becomes widgets'
// text and speech: a malformed or oversized report is refused whole.
TEST(BridgeProtocolTest, ShownTextIsTakenOnlyWhenWellFormed) {
    using Pages = std::vector<BridgeProtocol::ShownPage>;
    const struct {
        std::string text;
        std::optional<Pages> pages;
    } cases[] = {
        {R"({"count":12,"pages":[{"number":9,"text":"Nine."},{"number":10,"text":"Ten."}]})",
         Pages{{9, "Nine."}, {10, "Ten."}}},
        {R"({"count":1,"pages":[{"number":1,"text":""}]})", Pages{{1, ""}}},
        {R"({"count":3,"pages":[{"number":1,"text":"caf\u00e9 \n\"x\""}]})", Pages{{1, "caf\xC3\xA9 \n\"x\""}}},
        {R"({"count":12,"pages":[]})", std::nullopt},
        {R"({"count":12,"pages":[{"number":10,"text":"a"},{"number":9,"text":"b"}]})", std::nullopt},
        {R"({"count":12,"pages":[{"number":1,"text":"a"},{"number":2,"text":"b"},{"number":3,"text":"c"}]})",
         std::nullopt},
        {R"({"count":8,"pages":[{"number":9,"text":"past the end"}]})", std::nullopt},
        {R"({"count":12,"pages":[{"number":0,"text":"a"}]})", std::nullopt},
        {R"({"count":12,"pages":[{"number":-1,"text":"a"}]})", std::nullopt},
        {R"({"count":12,"pages":[{"number":1,"text":7}]})", std::nullopt},
        {R"({"count":12,"pages":[{"number":1,"text":"a","html":"<b>"}]})", std::nullopt},
        {R"({"pages":[{"number":1,"text":"a"}]})", std::nullopt},
        {R"([1,2])", std::nullopt},
        {R"({"count":12,"pages":[{"number":1,"text":"a"})", std::nullopt},
        {"{\"count\":2,\"pages\":[{\"number\":1,\"text\":\"" + std::string(BridgeProtocol::MAX_SHOWN_BYTES, 'a') +
             "\"}]}",
         std::nullopt},
    };
    for (const auto& c : cases) {
        const auto shown = BridgeProtocol::ShownPagesOf(c.text);
        ASSERT_EQ(shown.has_value(), c.pages.has_value()) << c.text.substr(0, 80);
        if (shown) {
            EXPECT_EQ(shown->pages, *c.pages) << c.text;
        }
    }
}

// The contents become a native list: entries out of order in depth or
// pointing at no page would make rows that lead nowhere.
TEST(BridgeProtocolTest, ContentsAreTakenOnlyWhenEveryEntryIsWellFormed) {
    using Entries = std::vector<BridgeProtocol::ContentsEntry>;
    const struct {
        std::string text;
        std::optional<Entries> entries;
    } cases[] = {
        {R"([{"title":"One","page":1,"level":0},{"title":"One.a","page":2,"level":1},{"title":"Two","page":5,"level":0}])",
         Entries{{"One", 1, 0}, {"One.a", 2, 1}, {"Two", 5, 0}}},
        {"[]", Entries{}},
        {R"([{"title":"Deep first","page":1,"level":1}])", std::nullopt},
        {R"([{"title":"A","page":1,"level":0},{"title":"Skips","page":1,"level":2}])", std::nullopt},
        {R"([{"title":"A","page":0,"level":0}])", std::nullopt},
        {R"([{"title":"A","page":"3","level":0}])", std::nullopt},
        {R"([{"title":"A","page":3,"level":0,"url":"x"}])", std::nullopt},
        {R"({"title":"A","page":3,"level":0})", std::nullopt},
        {"[" + std::string(BridgeProtocol::MAX_CONTENTS_BYTES, ' ') + "]", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto entries = BridgeProtocol::ContentsOf(c.text);
        ASSERT_EQ(entries.has_value(), c.entries.has_value()) << c.text.substr(0, 80);
        if (entries) {
            EXPECT_EQ(*entries, *c.entries) << c.text;
        }
    }
}

// What goes into the page as script source stays a literal or a number.
TEST(BridgeProtocolTest, HostCallsIntoThePageAreLiteralsAndNumbers) {
    const std::pair<std::string, std::string> cases[] = {
        {BridgeProtocol::CommandScript("x');evil('"), R"(onCommand('x\');evil(\''))"},
        {BridgeProtocol::FindScript("copper", 0), "onFind('copper', 0)"},
        {BridgeProtocol::FindScript("it's\n", 7), R"(onFind('it\'s\x0A', 1))"},
        {BridgeProtocol::FindScript("", -3), "onFind('', -1)"},
        {BridgeProtocol::RecentCoverScript(2, {{"pages", 3}, {"cover", "\xE2\x80\xA8"}}),
         R"(onRecentCover(2, {"cover":"\u2028","pages":3}))"},
    };
    for (const auto& [script, want] : cases) EXPECT_EQ(script, want);
}

}  // namespace
}  // namespace brivane::web
