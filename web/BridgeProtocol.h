#pragma once

#include "document/ViewState.h"

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
    enum class StartAction { OpenFile, Help, ClearRecent, None };
    enum class FlipbookAction {
        OpenPdf,
        Print,
        Position,
        View,
        Fullscreen,
        Shown,
        Found,
        Contents,
        Drawn,
        OnScreen,
        None
    };

    struct FlipbookMessage {
        FlipbookAction action = FlipbookAction::None;
        std::string argument;
    };

    // The printed text of the pages on screen, in the order they show.
    struct ShownPage {
        int number = 0;
        std::string text;  // UTF-8
        bool operator==(const ShownPage&) const = default;
    };
    struct ShownPages {
        int count = 0;  // pages in the book; 0 when the page did not say
        std::vector<ShownPage> pages;
        bool operator==(const ShownPages&) const = default;
    };

    // Whole-text, case-sensitive match.
    static StartAction DispatchStartMessage(std::string_view text);
    // Prefix match; the argument starts one byte after the action name,
    // whatever that byte is.
    static FlipbookMessage DispatchFlipbookMessage(std::string_view text);
    // "action.openrecent N": the index into the recent books the page was given.
    static std::optional<std::size_t> RecentBookIndex(std::string_view text);
    // "action.removerecent N": the same index, for the book to drop from the list.
    static std::optional<std::size_t> RemovedRecentIndex(std::string_view text);
    // A page number as the reader page writes it: decimal digits, from 1.
    static std::optional<int> PageNumber(std::string_view text);
    // "action.onscreen 5 4": the pages on screen, left to right; one or two
    // page numbers, one space apart.
    static std::optional<std::vector<int>> PagesOnScreen(std::string_view text);
    // "action.view {...}": a compact JSON object of known keys, each with a
    // value we know; anything else is refused whole.
    static std::optional<document::ViewState> ViewStateOf(std::string_view text);
    static constexpr std::size_t MAX_VIEW_BYTES = 256;
    // "action.shown {"count":N,"pages":[{"number":N,"text":"..."}]}": at most
    // two pages, numbered from 1 and rising; anything else is refused whole.
    static std::optional<ShownPages> ShownPagesOf(std::string_view text);
    static constexpr std::size_t MAX_SHOWN_BYTES = 512 * 1024;

    struct ContentsEntry {
        std::string title;
        int page = 0;
        int level = 0;  // 0 for a top entry
        bool operator==(const ContentsEntry&) const = default;
    };
    // "action.contents [{"title":"...","page":N,"level":N}, ...]": pages from 1,
    // levels from 0 and at most one deeper than the entry before.
    static std::optional<std::vector<ContentsEntry>> ContentsOf(std::string_view text);
    static constexpr std::size_t MAX_CONTENTS_BYTES = 1024 * 1024;

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
    // A recent book's cover and page count, once drawn: index in the list last sent.
    static std::string RecentCoverScript(std::size_t index, const nlohmann::json& cover);
    // Whether the window shows the book alone, for the page to hide its bars.
    static std::string FullscreenScript(bool fullscreen);
    // "action.fullscreen on" or "off": anything else is no request.
    static std::optional<bool> FullscreenWanted(std::string_view argument);
    // A command of the reader page's toolbar and keys, run from our menus.
    static std::string CommandScript(std::string_view command);
    // Marks [from, to) of page's printed text, counted in UTF-16 code units
    // as the page counts; without a page, the mark goes.
    static std::string SpeakingScript(int page, std::size_t from, std::size_t to);
    static std::string SpeakingDoneScript();
    // Searches the book for query, or steps to the next (1) or previous (-1) match.
    static std::string FindScript(std::string_view query, int direction);
    // "action.found 3 of 12": the find bar's count, at most this long.
    static constexpr std::size_t MAX_FOUND_BYTES = 200;
};

}  // namespace brivane::web
