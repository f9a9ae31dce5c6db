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
using Lines = std::vector<std::string>;

const std::string PNG = std::string("\x89PNG\r\n\x1a\n", 8) + "x";

struct Fixture {
    test::CapturedLines lines;
    std::shared_ptr<test::FakeDesktop> desktop = std::make_shared<test::FakeDesktop>();
    std::vector<std::pair<std::string, document::CheckResult>> shown;
    std::vector<std::string> scripts;
    document::CheckResult code = Accepted;
    std::function<void()> onShow;  // what the start screen does once a file was checked
    int elsewhere = 0;             // open-file flows sent to a window of their own
    std::shared_ptr<StartPageHost> host = StartPageHost::Create(
        desktop,
        [this](const std::string& url, document::CheckResult c) {
            shown.emplace_back(url, c);
            if (onShow) onShow();
        },
        [this](const std::string&) { return code; }, [this] { ++elsewhere; });
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
        {"action.openfile", file, Corrupted, {"action.openfile", file}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " " + c.chosen.value_or("-") + " " + std::string(document::CheckCode(c.code)));
        Fixture f;
        f.Load();
        f.code = c.code;
        f.desktop->chooserAnswers = {c.chosen};
        f.host->MessageReceived(c.text);
        EXPECT_EQ(f.lines.lines, c.lines);
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
    Fixture f;
    std::vector<std::string> events;
    const auto release = [&] { events.push_back("released " + std::to_string(f.desktop->now.count())); };
    f.host->AfterEchoes(release);  // a file from the system: no echo due
    f.desktop->Advance(0ms);
    // The start screen swaps the view from within the flow's update.
    f.onShow = [&] { f.host->AfterEchoes(release); };
    f.host->PageFinished([&](const std::string& s) { events.push_back(s); });
    f.desktop->chooserAnswers = {"file:///home/u/Book.flip"};
    f.host->MessageReceived("action.openfile");
    f.desktop->Advance(0ms);
    f.desktop->Advance(1s);
    EXPECT_EQ(events,
              (std::vector<std::string>{"released 0", BridgeProtocol::EchoScript("action.openfile"), "released 1000"}));
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
        Fixture f;
        f.desktop->holdBackground = c.holdCheck;
        f.desktop->chooserAnswers = {c.first, "file:///home/u/B.flip"};
        f.host->MessageReceived("action.openfile");
        EXPECT_EQ(f.host->FlowRunning(), c.holdCheck);
        f.host->MessageReceived("action.openfile");
        EXPECT_EQ(f.elsewhere, c.secondElsewhere ? 1 : 0);
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

struct RecentFixture : Fixture {
    test::TempDir dir;
    std::shared_ptr<document::ReadingPositions> positions =
        std::make_shared<document::ReadingPositions>(dir / "positions.json");
    std::shared_ptr<CoverCache> covers = std::make_shared<CoverCache>(dir / "covers");
    std::vector<std::string> urls, drawn;  // drawn: the files whose covers were drawn
    RecentFixture() {
        for (const char* name : {"A", "B", "C"})
            urls.push_back(test::FileUrl(dir.Write(std::string(name) + ".flip", name)));
        // C was read in an older edition too: same file, other id.
        EXPECT_TRUE(positions->Remember({"id-C-first-edition", 5, urls[2], "C, first edition"}));
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string name(1, "ABC"[i]);
            EXPECT_TRUE(positions->Remember({"id-" + name, 2, urls[i], name}));
        }
        host->UsePositions(positions);
    }
    CoverCache::Stamp StampOf(const std::string& name) const { return *CoverCache::StampOf(dir / (name + ".flip")); }
    // Covers are drawn when the test runs the background work; A's cannot be drawn.
    void DrawCovers() {
        desktop->holdBackground = true;
        host->UseCovers(covers, [this](const std::string& url) {
            drawn.push_back(url);
            return CoverCache::Cover{url == urls[0] ? "" : PNG, 40};
        });
    }
    // Titles of the books on the list, newest first, as a fresh reader of the file sees them.
    Lines Stored() const {
        Lines titles;
        for (const auto& book : document::ReadingPositions(positions->Path()).Recent(10)) titles.push_back(book.title);
        return titles;
    }
    // Titles of the books on the list the page was sent last.
    Lines Listed() const {
        const auto list = *std::ranges::find_if(scripts.rbegin(), scripts.rend(),
                                                [](const auto& s) { return s.starts_with("onRecentBooks("); });
        Lines titles;
        for (const auto& book : nlohmann::json::parse(list.substr(14, list.size() - 15)))
            titles.push_back(book["title"]);
        return titles;
    }
};

// The page gets the recent books when it loads and names one by its place in
// that list: the host opens only what it offered, through the file check.
// Removing one book, older editions and all, or clearing the list lasts: the
// file is rewritten, and the page gets the new list at once.
TEST(StartPageHostTest, RecentBooksAreOpenedThroughTheCheckRemovedAndCleared) {
    const Lines all = {"C", "B", "A"};
    const struct {
        Lines said;
        document::CheckResult code;
        Lines shown, stored;
        bool echo = true;  // a rejected file gets its alert instead
    } cases[] = {
        {{"action.openrecent 0"}, Accepted, {"C.flip "}, all},
        {{"action.openrecent 0"}, Corrupted, {"C.flip ERROR_CORRUPTED"}, all, false},
        {{"action.openrecent 3"}, Accepted, {}, all},  // only three were offered
        {{"action.removerecent 0"}, Accepted, {}, {"B", "A"}},
        {{"action.removerecent 2"}, Accepted, {}, {"C", "B"}},
        {{"action.removerecent 1", "action.removerecent 1"}, Accepted, {}, {"C"}},
        {{"action.removerecent 3"}, Accepted, {}, all},
        {{"action.clearrecent"}, Accepted, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said.front() + " " + std::string(document::CheckCode(c.code)));
        RecentFixture f;
        f.code = c.code;
        f.Load();
        ASSERT_TRUE(f.scripts.at(0).starts_with(R"(onRecentBooks([{"file":"C.flip","page":2,"title":"C"},)"));
        for (const auto& m : c.said) f.host->MessageReceived(m);
        Lines shown;
        for (const auto& [url, code] : f.shown)
            shown.push_back(url.substr(url.rfind('/') + 1) + " " + std::string(document::CheckCode(code)));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(f.Stored(), c.stored);
        EXPECT_EQ(f.Listed(), c.stored);
        f.desktop->Advance(1s);
        EXPECT_EQ(f.scripts.back() == BridgeProtocol::EchoScript(c.said.back()), c.echo);
    }
}

// A cover kept for an unchanged book goes out with the list; the others are
// drawn once in the background, kept, and sent to their row as they come.
TEST(StartPageHostTest, CoversComeFromTheCacheOrAreDrawnOnce) {
    RecentFixture f;
    ASSERT_TRUE(f.covers->Store("id-B", f.StampOf("B"), {PNG, 10}));
    f.DrawCovers();
    f.Load();
    ASSERT_EQ(f.scripts.size(), 1u);
    for (const auto& entry : nlohmann::json::parse(f.scripts[0].substr(14, f.scripts[0].size() - 15))) {
        EXPECT_EQ(entry.contains("cover"), entry["title"] == "B") << entry.dump();
        EXPECT_EQ(entry.value("pages", 0), entry["title"] == "B" ? 10 : 0) << entry.dump();
    }
    // A second load while the covers are still being drawn starts no second drawing.
    f.Load();
    while (!f.desktop->background.empty()) f.desktop->RunBackground();
    EXPECT_EQ(f.drawn, (Lines{f.urls[2], f.urls[0]}));
    Lines rows;
    for (const auto& s : f.scripts)
        if (s.starts_with("onRecentCover(")) rows.push_back(s);
    EXPECT_EQ(rows, (Lines{R"(onRecentCover(0, {"cover":"data:image/png;base64,iVBORw0KGgp4","pages":40}))",
                           R"(onRecentCover(2, {"cover":"","pages":40}))"}));
    // Drawn once: the next start window finds them all.
    for (const char* name : {"A", "B", "C"}) EXPECT_TRUE(f.covers->Find(std::string("id-") + name, f.StampOf(name)));
}

// A start window closed while covers are drawn: the one under way is still
// kept for next time, the others are not begun, and nothing is sent to the
// page that is gone.
TEST(StartPageHostTest, ClosingStopsTheCoversNotBegun) {
    RecentFixture f;
    f.DrawCovers();
    f.Load();
    f.host->Detach();
    while (!f.desktop->background.empty()) f.desktop->RunBackground();
    EXPECT_EQ(f.drawn, Lines{f.urls[2]});  // C, the newest
    EXPECT_TRUE(f.covers->Find("id-C", f.StampOf("C")));
    EXPECT_EQ(f.scripts.size(), 1u);
}

}  // namespace
}  // namespace brivane::web
