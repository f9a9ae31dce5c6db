#include "web/BridgeProtocol.h"

#include "base/Utf8.h"
#include "document/ReaderConfiguration.h"

#include <nlohmann/json.hpp>

#include <cstdint>

namespace brivane::web {

namespace {
constexpr std::string_view OPEN_FILE = "action.openfile";
constexpr std::string_view HELP = "action.help";
constexpr std::string_view OPEN_PDF = "action.openpdf";
constexpr std::string_view PRINT = "action.print";
constexpr std::string_view POSITION = "action.position";
constexpr std::string_view VIEW = "action.view";
constexpr std::string_view FULLSCREEN = "action.fullscreen";
constexpr std::string_view SHOWN = "action.shown";
constexpr std::string_view FOUND = "action.found";
constexpr std::string_view CONTENTS = "action.contents";
constexpr std::string_view DRAWN = "action.drawn";
constexpr std::string_view ON_SCREEN = "action.onscreen";
constexpr std::string_view OPEN_RECENT = "action.openrecent ";
constexpr std::string_view REMOVE_RECENT = "action.removerecent ";
constexpr std::string_view CLEAR_RECENT = "action.clearrecent";

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
    static constexpr char HEX[] = "0123456789ABCDEF";
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
            literal += HEX[b >> 4];
            literal += HEX[b & 0xF];
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
    if (text == CLEAR_RECENT) return StartAction::ClearRecent;
    return StartAction::None;
}

BridgeProtocol::FlipbookMessage BridgeProtocol::DispatchFlipbookMessage(std::string_view text) {
    FlipbookMessage message;
    if (Match(text, OPEN_PDF, FlipbookAction::OpenPdf, message)) return message;
    if (Match(text, PRINT, FlipbookAction::Print, message)) return message;
    if (Match(text, POSITION, FlipbookAction::Position, message)) return message;
    if (Match(text, VIEW, FlipbookAction::View, message)) return message;
    if (Match(text, FULLSCREEN, FlipbookAction::Fullscreen, message)) return message;
    if (Match(text, SHOWN, FlipbookAction::Shown, message)) return message;
    if (Match(text, FOUND, FlipbookAction::Found, message)) return message;
    if (Match(text, CONTENTS, FlipbookAction::Contents, message)) return message;
    if (Match(text, ON_SCREEN, FlipbookAction::OnScreen, message)) return message;
    Match(text, DRAWN, FlipbookAction::Drawn, message);
    return message;
}

std::optional<std::size_t> BridgeProtocol::RecentBookIndex(std::string_view text) {
    if (!text.starts_with(OPEN_RECENT)) return std::nullopt;
    return Digits(text.substr(OPEN_RECENT.size()), 4);
}

std::optional<std::size_t> BridgeProtocol::RemovedRecentIndex(std::string_view text) {
    if (!text.starts_with(REMOVE_RECENT)) return std::nullopt;
    return Digits(text.substr(REMOVE_RECENT.size()), 4);
}

std::optional<int> BridgeProtocol::PageNumber(std::string_view text) {
    const auto value = Digits(text, 9);
    if (!value || *value < 1) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<std::vector<int>> BridgeProtocol::PagesOnScreen(std::string_view text) {
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

std::optional<BridgeProtocol::ShownPages> BridgeProtocol::ShownPagesOf(std::string_view text) {
    if (text.size() > MAX_SHOWN_BYTES) return std::nullopt;
    const auto object = nlohmann::json::parse(text, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    const auto count = object.find("count");
    const auto pages = object.find("pages");
    if (count == object.end() || !count->is_number_unsigned() || pages == object.end() || !pages->is_array() ||
        pages->size() > 2)
        return std::nullopt;
    ShownPages shown;
    shown.count = count->get<int>();
    for (const auto& page : *pages) {
        if (!page.is_object() || page.size() != 2) return std::nullopt;
        const auto number = page.find("number");
        const auto words = page.find("text");
        if (number == page.end() || !number->is_number_unsigned() || words == page.end() || !words->is_string())
            return std::nullopt;
        const auto n = number->get<std::uint64_t>();
        const int previous = shown.pages.empty() ? 0 : shown.pages.back().number;
        if (n <= static_cast<std::uint64_t>(previous) || n > 1'000'000) return std::nullopt;
        shown.pages.push_back({static_cast<int>(n), words->get<std::string>()});
    }
    if (shown.pages.empty() || shown.count < shown.pages.back().number) return std::nullopt;
    return shown;
}

std::optional<std::vector<BridgeProtocol::ContentsEntry>> BridgeProtocol::ContentsOf(std::string_view text) {
    if (text.size() > MAX_CONTENTS_BYTES) return std::nullopt;
    const auto list = nlohmann::json::parse(text, nullptr, false);
    if (!list.is_array()) return std::nullopt;
    std::vector<ContentsEntry> entries;
    int deepest = 0;  // the deepest level the next entry may have
    for (const auto& item : list) {
        if (!item.is_object() || item.size() != 3) return std::nullopt;
        const auto title = item.find("title");
        const auto page = item.find("page");
        const auto level = item.find("level");
        if (title == item.end() || !title->is_string() || page == item.end() || !page->is_number_unsigned() ||
            level == item.end() || !level->is_number_unsigned())
            return std::nullopt;
        const auto p = page->get<std::uint64_t>();
        const auto l = level->get<std::uint64_t>();
        if (p < 1 || p > 1'000'000 || l > static_cast<std::uint64_t>(deepest)) return std::nullopt;
        entries.push_back({title->get<std::string>(), static_cast<int>(p), static_cast<int>(l)});
        deepest = static_cast<int>(l) + 1;
    }
    return entries;
}

std::string BridgeProtocol::CommandScript(std::string_view command) {
    return "onCommand(" + ScriptStringLiteral(command) + ")";
}

std::string BridgeProtocol::SpeakingScript(int page, std::size_t from, std::size_t to) {
    return "onSpeaking(" + std::to_string(page) + ", " + std::to_string(from) + ", " + std::to_string(to) + ")";
}

std::string BridgeProtocol::SpeakingDoneScript() { return "onSpeaking()"; }

std::string BridgeProtocol::FindScript(std::string_view query, int direction) {
    const int step = direction > 0 ? 1 : direction < 0 ? -1 : 0;
    return "onFind(" + ScriptStringLiteral(query) + ", " + std::to_string(step) + ")";
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

std::string BridgeProtocol::RecentCoverScript(std::size_t index, const nlohmann::json& cover) {
    return "onRecentCover(" + std::to_string(index) + ", " +
           cover.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace) + ")";
}

std::string BridgeProtocol::FullscreenScript(bool fullscreen) {
    return fullscreen ? "onFullscreen(true)" : "onFullscreen(false)";
}

std::optional<bool> BridgeProtocol::FullscreenWanted(std::string_view argument) {
    if (argument == "on") return true;
    if (argument == "off") return false;
    return std::nullopt;
}

}  // namespace brivane::web
