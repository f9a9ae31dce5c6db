#include "web/StartPageHost.h"

#include "tests/support/CapturedLines.h"
#include "tests/support/TempDir.h"
#include "tests/unit/web/FakeDesktop.h"
#include "web/BridgeProtocol.h"
#include "web/ServiceAddresses.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace brivane::web {
namespace {

using namespace std::chrono_literals;
using enum document::CheckResult;

struct Fixture {
    std::shared_ptr<test::FakeDesktop> desktop = std::make_shared<test::FakeDesktop>();
    std::vector<std::pair<std::string, document::CheckResult>> shown;
    std::vector<std::string> scripts;
    document::CheckResult code = document::CheckResult::Accepted;
    std::shared_ptr<StartPageHost> host = StartPageHost::Create(
        desktop, [this](const std::string& url, document::CheckResult c) { shown.emplace_back(url, c); },
        [this](const std::string&) { return code; });
    void Load() {
        host->PageFinished([this](const std::string& s) { scripts.push_back(s); });
    }
};

// The echo follows every message except a rejected file, whose alert replaces
// it.
TEST(StartPageHostTest, MessagesRunTheirActionThenEchoOneSecondLater) {
    const std::string file = "file:///home/u/Book.flip";
    const struct {
        std::string text;
        std::optional<std::string> chosen;
        document::CheckResult code;  // chooser answer, check result
        std::vector<std::string> lines, opened;
        bool echo;
    } cases[] = {
        {"action.help", {}, Accepted, {"action.help"}, {ReaderDownloadPageUrl()}, true},
        {"action.openfile", std::nullopt, Accepted, {"action.openfile"}, {}, true},
        {"action.openfile", file, Accepted, {"action.openfile", file}, {}, true},
        {"action.openfile", file, TooNew, {"action.openfile", file}, {}, false},
        {"action.openfile", file, NoMetadata, {"action.openfile", file}, {}, false},
        {"action.openfile", file, Corrupted, {"action.openfile", file}, {}, false},
        {"action.openFile", {}, Accepted, {"action.openFile"}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " " + c.chosen.value_or("-") + " " + std::string(document::CheckCode(c.code)));
        Fixture f;
        f.Load();
        f.code = c.code;
        f.desktop->chooserAnswers = {c.chosen};
        test::CapturedLines lines;
        f.host->MessageReceived(c.text);
        EXPECT_EQ(lines.lines, c.lines);
        EXPECT_EQ(f.desktop->opened, c.opened);
        const decltype(f.shown) shown = {{file, c.code}};
        EXPECT_EQ(f.shown, c.chosen ? shown : decltype(f.shown){});
        f.desktop->Advance(999ms);
        EXPECT_TRUE(f.scripts.empty());
        f.desktop->Advance(1ms);
        const std::vector<std::string> echo = {BridgeProtocol::EchoScript(c.text)};
        EXPECT_EQ(f.scripts, c.echo ? echo : std::vector<std::string>{});
    }
}

// The start page's view is released once it is replaced, but never before
// the echo still due to it: a view released earlier would lose it.
TEST(StartPageHostTest, AfterEchoesWaitsForTheEchoStillDue) {
    const struct {
        std::string message;
        std::optional<std::string> chosen;
        std::chrono::milliseconds releasedAt;
    } cases[] = {
        {"action.openfile", "file:///home/u/Book.flip", 1000ms},  // accepted: its echo comes first
        {"", std::nullopt, 0ms},                                  // a file from the system: no echo
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Fixture f;
        f.desktop->chooserAnswers = {c.chosen};
        std::vector<std::string> events;
        auto release = [&] { events.push_back("released " + std::to_string(f.desktop->now.count())); };
        test::CapturedLines lines;
        if (c.message.empty()) {
            f.host->AfterEchoes(release);
        } else {
            // The start screen swaps the view from within the flow's update.
            f.host = StartPageHost::Create(
                f.desktop, [&](const std::string&, document::CheckResult) { f.host->AfterEchoes(release); },
                [](const std::string&) { return document::CheckResult::Accepted; });
            f.host->PageFinished([&](const std::string& s) { events.push_back(s); });
            f.host->MessageReceived(c.message);
        }
        f.desktop->Advance(0ms);
        f.desktop->Advance(1s);
        std::vector<std::string> expected;
        if (!c.message.empty()) expected.push_back("webkit.messageHandlers.bridge.onMessage('" + c.message + "')");
        expected.push_back("released " + std::to_string(c.releasedAt.count()));
        EXPECT_EQ(events, expected);
    }
}

// The first open flow owns its window until its file is checked: a second one
// started meanwhile (the page's button again, the menu) runs in a window of
// its own instead of taking over or being dropped.
TEST(StartPageHostTest, SecondFlowDuringACheckOpensElsewhere) {
    const struct {
        std::optional<std::string> first;
        bool holdCheck, secondElsewhere;
    } cases[] = {
        {"file:///home/u/A.flip", true, true},    // the first file is still being checked
        {"file:///home/u/A.flip", false, false},  // checked: the window is free again
        {std::nullopt, false, false},             // the first flow was cancelled
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first.value_or("cancelled") + (c.holdCheck ? " held" : ""));
        int elsewhere = 0;
        Fixture f;
        f.host = StartPageHost::Create(
            f.desktop, [&](const std::string& url, document::CheckResult r) { f.shown.emplace_back(url, r); },
            [](const std::string&) { return Accepted; }, [&] { ++elsewhere; });
        f.desktop->holdBackground = c.holdCheck;
        f.desktop->chooserAnswers = {c.first, "file:///home/u/B.flip"};
        test::CapturedLines lines;
        f.host->MessageReceived("action.openfile");
        EXPECT_EQ(f.host->FlowRunning(), c.holdCheck);
        f.host->MessageReceived("action.openfile");
        EXPECT_EQ(elsewhere, c.secondElsewhere ? 1 : 0);
        f.desktop->RunBackground();
        EXPECT_FALSE(f.host->FlowRunning());
        decltype(f.shown) shown;
        if (c.first) shown.emplace_back(*c.first, Accepted);
        if (!c.secondElsewhere) shown.emplace_back("file:///home/u/B.flip", Accepted);
        EXPECT_EQ(f.shown, shown);
        f.desktop->Advance(1s);  // the echoes hold the host
    }
}

// The echo reaches the page only if it has loaded by the time the echo is
// due, and never a view that went away meanwhile.
TEST(StartPageHostTest, EchoNeedsALoadedAttachedPageWhenDue) {
    Fixture f;
    test::CapturedLines lines;
    f.host->MessageReceived("action.help");
    f.desktop->Advance(1s);
    EXPECT_TRUE(f.scripts.empty());

    f.host->MessageReceived("hello");
    f.desktop->Advance(500ms);
    f.Load();
    f.desktop->Advance(500ms);
    EXPECT_EQ(f.scripts, std::vector<std::string>{"webkit.messageHandlers.bridge.onMessage('hello')"});

    f.host->MessageReceived("action.help");
    f.host->Detach();
    f.host.reset();  // the pending echo keeps the host alive
    f.desktop->Advance(1s);
    EXPECT_EQ(f.scripts.size(), 1u);
}

// The page gets the recent books when it loads and names one by its place in
// that list; the host opens only what it offered, through the file check.
TEST(StartPageHostTest, RecentBooksAreOfferedAndOpenedThroughTheCheck) {
    test::TempDir dir;
    const std::string one = test::FileUrl(dir.Write("One.flip", "x"));
    auto positions = std::make_shared<document::ReadingPositions>(dir / "positions.json");
    ASSERT_TRUE(positions->Remember({"1", 4, one, "Book & One"}));
    ASSERT_TRUE(positions->Remember({"2", 1, test::FileUrl(dir / "Missing.flip"), "Gone"}));
    const struct {
        std::string message;
        document::CheckResult code;
        std::vector<std::pair<std::string, document::CheckResult>> shown;
        bool echo;
    } cases[] = {
        {"action.openrecent 0", Accepted, {{one, Accepted}}, true},
        {"action.openrecent 0", Corrupted, {{one, Corrupted}}, false},
        {"action.openrecent 1", Accepted, {}, true},  // only one book was offered
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + " " + std::string(document::CheckCode(c.code)));
        Fixture f;
        f.host->UsePositions(positions);
        f.Load();
        ASSERT_EQ(f.scripts,
                  std::vector<std::string>{R"(onRecentBooks([{"file":"One.flip","page":4,"title":"Book & One"}]))"});
        f.code = c.code;
        test::CapturedLines lines;
        f.host->MessageReceived(c.message);
        EXPECT_EQ(f.shown, c.shown);
        f.desktop->Advance(1s);
        EXPECT_EQ(f.scripts.size(), c.echo ? 2u : 1u);
    }
}

}  // namespace
}  // namespace brivane::web

namespace brivane::web {
namespace {

struct RecentFixture : Fixture {
    test::TempDir dir;
    std::shared_ptr<document::ReadingPositions> positions =
        std::make_shared<document::ReadingPositions>(dir / "positions.json");
    std::vector<std::string> urls;
    RecentFixture() {
        for (const char* name : {"A", "B", "C"}) {
            urls.push_back(test::FileUrl(dir.Write(std::string(name) + ".flip", name)));
            EXPECT_TRUE(positions->Remember({std::string("id-") + name, 2, urls.back(), name}));
        }
        host->UsePositions(positions);
    }
    // Titles of the books on the list, newest first, as a fresh reader of the file sees them.
    std::vector<std::string> Stored() const {
        std::vector<std::string> titles;
        for (const auto& book : document::ReadingPositions(positions->Path()).Recent(10)) titles.push_back(book.title);
        return titles;
    }
};

// Removing one book or clearing the list lasts: the file is rewritten, and the
// page gets the new list at once. An index the host never offered removes nothing.
TEST(StartPageHostTest, RemovingAndClearingRecentBooksIsKept) {
    const struct {
        std::vector<std::string> messages;
        std::vector<std::string> stored;
        std::string lastList;
    } cases[] = {
        {{"action.removerecent 0"}, {"B", "A"}, R"(onRecentBooks([{"file":"B.flip","page":2,"title":"B"},)"},
        {{"action.removerecent 2"}, {"C", "B"}, R"(onRecentBooks([{"file":"C.flip","page":2,"title":"C"},)"},
        {{"action.removerecent 1", "action.removerecent 1"}, {"C"}, R"(onRecentBooks([{"file":"C.flip",)"},
        {{"action.removerecent 3"}, {"C", "B", "A"}, ""},
        {{"action.removerecent -1", "action.removerecent x"}, {"C", "B", "A"}, ""},
        {{"action.clearrecent"}, {}, "onRecentBooks([])"},
        {{"action.clearrecent", "action.clearrecent"}, {}, "onRecentBooks([])"},
        {{"action.clearrecent "}, {"C", "B", "A"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.messages.front());
        RecentFixture f;
        f.Load();
        test::CapturedLines lines;
        for (const auto& m : c.messages) f.host->MessageReceived(m);
        EXPECT_EQ(f.Stored(), c.stored);
        if (c.lastList.empty()) {
            EXPECT_EQ(f.scripts.size(), 1u);  // only the list sent on load
        } else {
            EXPECT_TRUE(f.scripts.back().starts_with(c.lastList)) << f.scripts.back();
        }
        // Every message still gets its echo.
        f.desktop->Advance(1s);
        EXPECT_TRUE(f.scripts.back().starts_with("webkit.messageHandlers.bridge.onMessage("));
    }
}

// A book read in two editions (same file, other id) has an older record:
// removing the book must not let that one take its place on the list.
TEST(StartPageHostTest, RemovingABookDropsItsOlderEditionsToo) {
    RecentFixture f;
    const std::string c = f.urls[2];
    ASSERT_TRUE(f.positions->Remember({"id-C-first-edition", 5, c, "C, first edition"}));
    ASSERT_TRUE(f.positions->Remember({"id-C", 2, c, "C"}));
    f.Load();
    test::CapturedLines lines;
    f.host->MessageReceived("action.removerecent 0");
    EXPECT_EQ(f.Stored(), (std::vector<std::string>{"B", "A"}));
    f.desktop->Advance(1s);  // the echo, which holds the host until it goes
}

// Covers kept for an unchanged book go out with the list; the others are
// drawn once in the background, kept, and sent to their row as they come.
TEST(StartPageHostTest, CoversComeFromTheCacheOrAreDrawnOnce) {
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "x";
    const struct {
        const char* why;
        std::vector<std::string> cached;  // ids with a cover kept before the page loads
        std::size_t drawn;                // books drawn in the background
        std::vector<std::string> coverCalls;
    } cases[] = {
        {"none kept", {}, 3, {"onRecentCover(0, ", "onRecentCover(1, ", "onRecentCover(2, "}},
        {"one kept", {"id-B"}, 2, {"onRecentCover(0, ", "onRecentCover(2, "}},
        {"all kept", {"id-A", "id-B", "id-C"}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        RecentFixture f;
        auto cache = std::make_shared<CoverCache>(f.dir / "covers");
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string id = std::string("id-") + "ABC"[i];
            if (std::ranges::find(c.cached, id) != c.cached.end()) {
                ASSERT_TRUE(
                    cache->Store(id, *CoverCache::StampOf(f.dir / (std::string(1, "ABC"[i]) + ".flip")), {png, 10}));
            }
        }
        std::vector<std::string> drawn;
        f.desktop->holdBackground = true;
        f.host->UseCovers(cache, [&](const std::string& url) {
            drawn.push_back(url);
            return CoverCache::Cover{url == f.urls[0] ? std::string() : png, 40};
        });
        f.Load();
        ASSERT_EQ(f.scripts.size(), 1u);
        const auto list = nlohmann::json::parse(f.scripts[0].substr(14, f.scripts[0].size() - 15));
        for (const auto& entry : list) {
            const bool kept = std::ranges::find(c.cached, "id-" + entry["title"].get<std::string>()) != c.cached.end();
            EXPECT_EQ(entry.contains("cover"), kept) << entry.dump();
            if (kept) {
                EXPECT_EQ(entry["pages"], 10);
            }
        }
        // A second load while the covers are still being drawn starts no second drawing.
        f.Load();
        while (!f.desktop->background.empty()) f.desktop->RunBackground();
        EXPECT_EQ(drawn.size(), c.drawn);
        std::vector<std::string> calls;
        for (const auto& s : f.scripts)
            if (s.starts_with("onRecentCover(")) calls.push_back(s.substr(0, 17));
        EXPECT_EQ(calls, c.coverCalls);
        if (!c.coverCalls.empty() && c.coverCalls.back() == "onRecentCover(2, ") {
            EXPECT_EQ(f.scripts.back(), R"(onRecentCover(2, {"cover":"","pages":40}))");  // A could not be drawn
            // Drawn once: the next start window finds them all.
            for (const char* name : {"A", "B", "C"})
                EXPECT_TRUE(cache->Find(std::string("id-") + name,
                                        *CoverCache::StampOf(f.dir / (std::string(name) + ".flip"))));
        }
    }
}

// A start window closed while covers are drawn: the one under way is still
// kept for next time, the others are not begun, and nothing is sent to the
// page that is gone.
TEST(StartPageHostTest, ClosingStopsTheCoversNotBegun) {
    RecentFixture f;
    auto cache = std::make_shared<CoverCache>(f.dir / "covers");
    std::vector<std::string> drawn;
    f.desktop->holdBackground = true;
    f.host->UseCovers(cache, [&](const std::string& url) {
        drawn.push_back(url);
        return CoverCache::Cover{"", 3};
    });
    f.Load();
    f.host->Detach();
    while (!f.desktop->background.empty()) f.desktop->RunBackground();
    EXPECT_EQ(drawn, std::vector<std::string>{f.urls[2]});  // C, the newest
    EXPECT_TRUE(cache->Find("id-C", *CoverCache::StampOf(f.dir / "C.flip")));
    EXPECT_EQ(f.scripts.size(), 1u);
}

}  // namespace
}  // namespace brivane::web
