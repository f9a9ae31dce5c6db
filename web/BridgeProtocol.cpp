#include "BridgeProtocol.h"

#include "ReaderConfiguration.h"
#include "Utf8.h"

#include <nlohmann/json.hpp>

namespace brivane::web {

namespace {
constexpr std::string_view OPEN_FILE = "action.openfile";
constexpr std::string_view HELP = "action.help";
constexpr std::string_view OPEN_PDF = "action.openpdf";
constexpr std::string_view PRINT = "action.print";
constexpr std::string_view POSITION = "action.position";
constexpr std::string_view VIEW = "action.view";
constexpr std::string_view SHOWN = "action.shown";
constexpr std::string_view OPEN_RECENT = "action.openrecent ";

std::optional<std::size_t> Digits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::size_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

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

std::string BridgeProtocol::ScriptStringLiteral(std::string_view text) {
    // A message is the page's to send, so it may hold anything: quotes, line
    // breaks, "</script>". Inside the literal all of that stays text.
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = DecodeUtf8Lossy(text);
    std::string literal = "'";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '\'') {
            literal += '\\';
            literal += c;
        } else if (b < 0x20 || c == '<' || c == '>') {
            literal += "\\x";
            literal += kHex[b >> 4];
            literal += kHex[b & 0xF];
        } else if (utf8.compare(i, 2, "\xE2\x80") == 0 && i + 2 < utf8.size() &&
                   (utf8[i + 2] == '\xA8' || utf8[i + 2] == '\xA9')) {
            // Line and paragraph separators end a line in older script parsers.
            literal += utf8[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            literal += c;
        }
    }
    return literal + "'";
}

BridgeProtocol::StartAction BridgeProtocol::DispatchStartMessage(std::string_view text) {
    if (text == OPEN_FILE) return StartAction::OpenFile;
    if (text == HELP) return StartAction::Help;
    return StartAction::None;
}

BridgeProtocol::FlipbookMessage BridgeProtocol::DispatchFlipbookMessage(std::string_view text) {
    FlipbookMessage message;
    if (Match(text, OPEN_PDF, FlipbookAction::OpenPdf, message)) return message;
    if (Match(text, PRINT, FlipbookAction::Print, message)) return message;
    if (Match(text, POSITION, FlipbookAction::Position, message)) return message;
    if (Match(text, SHOWN, FlipbookAction::Shown, message)) return message;
    Match(text, VIEW, FlipbookAction::View, message);
    return message;
}

std::optional<std::size_t> BridgeProtocol::RecentBookIndex(std::string_view text) {
    if (!text.starts_with(OPEN_RECENT)) return std::nullopt;
    return Digits(text.substr(OPEN_RECENT.size()), 4);
}

std::optional<int> BridgeProtocol::PageNumber(std::string_view text) {
    const auto value = Digits(text, 9);
    if (!value || *value < 1) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<std::vector<int>> BridgeProtocol::ShownPages(std::string_view text) {
    std::vector<int> pages;
    while (pages.size() < 2) {
        const std::size_t space = text.find(' ');
        const auto page = PageNumber(text.substr(0, space));
        if (!page) return std::nullopt;
        pages.push_back(*page);
        if (space == std::string_view::npos) return pages;
        text.remove_prefix(space + 1);
    }
    return std::nullopt;  // a third page: no view shows that
}

std::optional<document::ViewState> BridgeProtocol::ViewStateOf(std::string_view text) {
    if (text.size() > MAX_VIEW_BYTES) return std::nullopt;
    const auto object = nlohmann::json::parse(text, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    auto state = document::ViewState::From(object);
    // Every key must have been taken: an unknown one or a bad value refuses all.
    if (state.Count() != object.size()) return std::nullopt;
    return state;
}

std::string BridgeProtocol::EchoScript(std::string_view text) {
    return "webkit.messageHandlers.bridge.onMessage(" + ScriptStringLiteral(text) + ")";
}

std::string BridgeProtocol::ConfigurationScript(const nlohmann::json& configuration) {
    return "onMessage(" + document::ReaderConfiguration::Text(configuration) + ")";
}

std::string BridgeProtocol::ResumeScript(int page, const document::ViewState& state) {
    if (state.Empty()) return "onResume(" + std::to_string(page) + ")";
    nlohmann::json object = nlohmann::json::object();
    state.AddTo(object);
    // Only known words and a number: as script source it is an object literal.
    return "onResume(" + std::to_string(page) + ", " + object.dump(-1, ' ', true) + ")";
}

std::string BridgeProtocol::RecentBooksScript(const nlohmann::json& books) {
    // ASCII only: the text becomes script source, where some line separators would not survive.
    return "onRecentBooks(" + books.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace) + ")";
}

}  // namespace brivane::web
