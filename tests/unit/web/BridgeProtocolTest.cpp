#include "BridgeProtocol.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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
        {"action.openpdfx", Action::OpenPdf, ""},
        {"Action.print x", Action::None, ""},
        {" action.print x", Action::None, ""},
    };
    for (const auto& c : cases) {
        const auto message = BridgeProtocol::DispatchFlipbookMessage(c.text);
        EXPECT_EQ(message.action, c.action) << c.text;
        EXPECT_EQ(message.argument, c.argument) << c.text;
    }
}

TEST(BridgeProtocolTest, StartMessagesMatchTheWholeTextAndEchoVerbatim) {
    using Start = BridgeProtocol::StartAction;
    const std::pair<std::string, Start> cases[] = {
        {"action.openfile", Start::OpenFile}, {"action.help", Start::Help},   {"action.openfile ", Start::None},
        {"Action.help", Start::None},         {"action.helpme", Start::None},
    };
    for (const auto& [text, action] : cases) EXPECT_EQ(BridgeProtocol::DispatchStartMessage(text), action) << text;
    EXPECT_EQ(BridgeProtocol::EchoScript("it's"), "webkit.messageHandlers.bridge.onMessage('it's')");
}

// The page must receive an object, and text that is not UTF-8 must not throw
// inside the load-finished handler.
TEST(BridgeProtocolTest, ConfigurationCallCarriesMultiLineJsonObject) {
    const nlohmann::json configuration = {{"path", "file:///w/data/flipbook.pdf"},
                                          {"metadata", {{"title", "bad \xFF"}}}};
    std::string script;
    ASSERT_NO_THROW(script = BridgeProtocol::ConfigurationScript(configuration));
    ASSERT_TRUE(script.starts_with("onMessage(") && script.ends_with(")"));
    const std::string text = script.substr(10, script.size() - 11);
    EXPECT_NE(text.find('\n'), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(text)["path"], "file:///w/data/flipbook.pdf");
}

}  // namespace
}  // namespace brivane::web
