#include "BridgeProtocol.h"

#include <nlohmann/json.hpp>

namespace brivane::web {

namespace {
constexpr std::string_view OPEN_FILE = "action.openfile";
constexpr std::string_view HELP = "action.help";
constexpr std::string_view OPEN_PDF = "action.openpdf";
constexpr std::string_view PRINT = "action.print";

// Offsets are in bytes of the UTF-8 text; a text that stops at the action
// name carries no argument and is not acted on.
bool Match(std::string_view text, std::string_view name, BridgeProtocol::FlipbookAction action,
           BridgeProtocol::FlipbookMessage& out) {
    if (!text.starts_with(name)) return false;
    const std::size_t offset = name.size() + 1;
    if (text.size() < offset) return true;  // out stays None
    out.action = action;
    out.argument = std::string(text.substr(offset));
    return true;
}
}  // namespace

BridgeProtocol::StartAction BridgeProtocol::DispatchStartMessage(std::string_view text) {
    if (text == OPEN_FILE) return StartAction::OpenFile;
    if (text == HELP) return StartAction::Help;
    return StartAction::None;
}

BridgeProtocol::FlipbookMessage BridgeProtocol::DispatchFlipbookMessage(std::string_view text) {
    FlipbookMessage message;
    if (Match(text, OPEN_PDF, FlipbookAction::OpenPdf, message)) return message;
    Match(text, PRINT, FlipbookAction::Print, message);
    return message;
}

std::string BridgeProtocol::EchoScript(std::string_view text) {
    std::string script = "webkit.messageHandlers.bridge.onMessage('";
    script += text;
    script += "')";
    return script;
}

std::string BridgeProtocol::ConfigurationScript(const nlohmann::json& configuration) {
    // Never throws on text that is not UTF-8: the page gets a replacement character.
    return "onMessage(" + configuration.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + ")";
}

}  // namespace brivane::web
