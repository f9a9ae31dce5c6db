#include "base/GObjectPtr.h"
#include "web/BridgeProtocol.h"
#include "web/gtk/ScriptMessage.h"

#include <gtest/gtest.h>

namespace brivane::web {
namespace {

// A page could wrap a message name in an array or a String object; turned
// into text the usual way, both would read as the name itself.
TEST(ScriptMessage, OnlyAStringBodyIsDispatched) {
    using Start = BridgeProtocol::StartAction;
    using Flipbook = BridgeProtocol::FlipbookAction;
    const struct {
        const char* body;
        Start start;
        Flipbook flipbook;
    } cases[] = {
        {"'action.openfile'", Start::OpenFile, Flipbook::None},
        {"'action.print file:///a.pdf'", Start::None, Flipbook::Print},
        {"['action.print file:///a.pdf']", Start::None, Flipbook::None},
        {"new String('action.help')", Start::None, Flipbook::None},
        {"({toString: () => 'action.help'})", Start::None, Flipbook::None},
        {"null", Start::None, Flipbook::None},
    };
    const auto context = RefPtr<JSCContext>::Adopt(jsc_context_new());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const auto body = RefPtr<JSCValue>::Adopt(jsc_context_evaluate(context.get(), c.body, -1));
        const std::string text = ScriptMessage::Text(body.get());
        EXPECT_EQ(BridgeProtocol::DispatchStartMessage(text), c.start) << text;
        EXPECT_EQ(BridgeProtocol::DispatchFlipbookMessage(text).action, c.flipbook) << text;
    }
}

}  // namespace
}  // namespace brivane::web
