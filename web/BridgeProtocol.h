#pragma once

#include "ViewState.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivane::web {

// Plain-text messages between the hosted pages and the host.
class BridgeProtocol {
public:
    enum class StartAction { OpenFile, Help, None };
    enum class FlipbookAction { OpenPdf, Print, Position, View, Shown, None };

    struct FlipbookMessage {
        FlipbookAction action = FlipbookAction::None;
        std::string argument;
    };

    // Whole-text, case-sensitive match.
    static StartAction DispatchStartMessage(std::string_view text);
    // Prefix match; the argument starts one byte after the action name,
    // whatever that byte is.
    static FlipbookMessage DispatchFlipbookMessage(std::string_view text);
    // "action.openrecent N": the index into the recent books the page was given.
    static std::optional<std::size_t> RecentBookIndex(std::string_view text);
    // A page number as the reader page writes it: decimal digits, from 1.
    static std::optional<int> PageNumber(std::string_view text);
    // "action.shown 5 4": the pages on screen, left to right; one or two
    // page numbers, one space apart.
    static std::optional<std::vector<int>> ShownPages(std::string_view text);
    // "action.view {...}": a compact JSON object of known keys, each with a
    // value we know; anything else is refused whole.
    static std::optional<document::ViewState> ViewStateOf(std::string_view text);
    static constexpr std::size_t MAX_VIEW_BYTES = 256;

    // The echo carries the message text as a string literal, whatever it holds.
    static std::string EchoScript(std::string_view text);
    // The configuration goes in as a compact JSON object.
    static std::string ConfigurationScript(const nlohmann::json& configuration);
    // text as a single-quoted script string literal that reads back as text.
    static std::string ScriptStringLiteral(std::string_view text);
    // Our own calls, beside the pages' fixed ones: where to reopen a book,
    // and the start page's list of recent books.
    static std::string ResumeScript(int page, const document::ViewState& state = {});
    static std::string RecentBooksScript(const nlohmann::json& books);
};

}  // namespace brivane::web
