#include "BridgeProtocol.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace brivane::web {
namespace {

using Action = BridgeProtocol::FlipbookAction;

struct FlipbookCase {
    const char* name;
    std::string text;
    Action action;
    std::string argument;
};

// Guards the prefix match and the byte offsets: a character-based offset or a
// separator check would hand the wrong address to the system.
TEST(BridgeProtocolTest, FlipbookMessagesMatchByPrefixAndByteOffset) {
    const FlipbookCase cases[] = {
        {"open with space", "action.openpdf https://a.example/x.pdf", Action::OpenPdf, "https://a.example/x.pdf"},
        {"separator not looked at", "action.openpdf|file:///w/data/flipbook.pdf", Action::OpenPdf,
         "file:///w/data/flipbook.pdf"},
        {"print", "action.print file:///w/data/flipbook.pdf", Action::Print, "file:///w/data/flipbook.pdf"},
        {"printer counts as print", "action.printer", Action::Print, "r"},
        {"multi-byte separator cut by bytes", "action.print\xE2\x82\xAChttps://a", Action::Print,
         "\x82\xAChttps://a"},
        {"empty argument", "action.print ", Action::Print, ""},
        {"name alone carries nothing", "action.print", Action::None, ""},
        {"openpdf alone", "action.openpdf", Action::None, ""},
        {"openpdf is not print", "action.openpdfx", Action::OpenPdf, ""},
        {"case matters", "Action.print x", Action::None, ""},
        {"must begin with the name", " action.print x", Action::None, ""},
        {"other text", "[object Object]", Action::None, ""},
    };
    for (const auto& c : cases) {
        const auto message = BridgeProtocol::DispatchFlipbookMessage(c.text);
        EXPECT_EQ(message.action, c.action) << c.name;
        EXPECT_EQ(message.argument, c.argument) << c.name;
    }
}

TEST(BridgeProtocolTest, StartMessagesMatchTheWholeTextOnly) {
    using Start = BridgeProtocol::StartAction;
    const std::pair<std::string, Start> cases[] = {
        {"action.openfile", Start::OpenFile}, {"action.help", Start::Help},
        {"action.openfile ", Start::None},    {"Action.help", Start::None},
        {"action.helpme", Start::None},       {"", Start::None},
    };
    for (const auto& [text, action] : cases) EXPECT_EQ(BridgeProtocol::DispatchStartMessage(text), action) << text;
}

TEST(BridgeProtocolTest, EchoInsertsTheTextVerbatim) {
    EXPECT_EQ(BridgeProtocol::EchoScript("action.help"), "webkit.messageHandlers.bridge.onMessage('action.help')");
    EXPECT_EQ(BridgeProtocol::EchoScript("it's"), "webkit.messageHandlers.bridge.onMessage('it's')");
}

// The page must receive an object, and text that is not UTF-8 must not throw
// inside the load-finished handler.
TEST(BridgeProtocolTest, ConfigurationCallCarriesMultiLineJsonObject) {
    const nlohmann::json configuration = {{"path", "file:///w/data/flipbook.pdf"}, {"appVersion", 1},
                                          {"metadata", {{"title", "bad \xFF byte"}}}};
    std::string script;
    ASSERT_NO_THROW(script = BridgeProtocol::ConfigurationScript(configuration));
    ASSERT_TRUE(script.starts_with("onMessage(") && script.ends_with(")"));
    const std::string text = script.substr(10, script.size() - 11);
    EXPECT_NE(text.find('\n'), std::string::npos);
    const auto parsed = nlohmann::json::parse(text);
    EXPECT_TRUE(parsed.is_object());
    EXPECT_EQ(parsed["appVersion"], 1);
    EXPECT_EQ(parsed["path"], "file:///w/data/flipbook.pdf");
}

}  // namespace
}  // namespace brivane::web
