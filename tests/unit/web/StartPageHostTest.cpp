#include "StartPageHost.h"

#include "CapturedLines.h"
#include "FakeDesktop.h"
#include "ServiceAddresses.h"

#include <gtest/gtest.h>

namespace brivane::web {
namespace {

using namespace std::chrono_literals;

struct Fixture {
    std::shared_ptr<test::FakeDesktop> desktop = std::make_shared<test::FakeDesktop>();
    std::vector<std::pair<std::string, std::string>> shown;
    std::vector<std::string> scripts;
    std::string code;
    std::shared_ptr<StartPageHost> host = StartPageHost::Create(
        desktop, [this](const std::string& url, const std::string& c) { shown.emplace_back(url, c); },
        [this](const std::string&) { return code; });
    void Load() {
        host->PageFinished([this](const std::string& s) { scripts.push_back(s); });
    }
};

struct Case {
    const char* name;
    std::string text;
    std::optional<std::string> chosen;  // chooser answer
    std::string code;
    std::vector<std::string> lines;
    std::vector<std::string> opened;
    bool updateShow;
    bool echo;
};

// The echo follows every message except a rejected file, whose alert replaces it.
TEST(StartPageHostTest, MessagesRunTheirActionThenEchoOneSecondLater) {
    const std::string file = "file:///home/u/Book.flip";
    const Case cases[] = {
        {"help", "action.help", {}, "", {"action.help"}, {ReaderDownloadPageURL()}, false, true},
        {"cancelled panel", "action.openfile", std::nullopt, "", {"action.openfile"}, {}, false, true},
        {"accepted file", "action.openfile", file, "", {"action.openfile", file}, {}, true, true},
        {"too new", "action.openfile", file, "ERROR_APP_VER", {"action.openfile", file}, {}, true, false},
        {"no meta", "action.openfile", file, "ERROR_NO_META", {"action.openfile", file}, {}, true, false},
        {"corrupted", "action.openfile", file, "ERROR_CORRUPTED", {"action.openfile", file}, {}, true, false},
        {"unknown text", "action.openFile", {}, "", {"action.openFile"}, {}, false, true},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Load();
        f.code = c.code;
        f.desktop->chooserAnswers = {c.chosen};
        test::CapturedLines lines;
        f.host->MessageReceived(c.text);
        EXPECT_EQ(lines.lines, c.lines) << c.name;
        EXPECT_EQ(f.desktop->opened, c.opened) << c.name;
        EXPECT_EQ(f.shown.size(), c.updateShow ? 1u : 0u) << c.name;
        if (c.updateShow && !f.shown.empty()) {
            EXPECT_EQ(f.shown[0].first, file) << c.name;
            EXPECT_EQ(f.shown[0].second, c.code) << c.name;
        }
        f.desktop->Advance(999ms);
        EXPECT_TRUE(f.scripts.empty()) << c.name;
        f.desktop->Advance(1ms);
        const std::vector<std::string> echo = {"webkit.messageHandlers.bridge.onMessage('" + c.text + "')"};
        EXPECT_EQ(f.scripts, c.echo ? echo : std::vector<std::string>{}) << c.name;
    }
}

TEST(StartPageHostTest, EchoIsDroppedWhenThePageHasNotLoadedByTheTimeItIsDue) {
    Fixture f;
    test::CapturedLines lines;
    f.host->MessageReceived("action.help");
    f.desktop->Advance(1s);
    EXPECT_TRUE(f.scripts.empty());

    f.host->MessageReceived("hello");
    f.desktop->Advance(500ms);
    f.Load();  // the load finishes within the second: the echo gets through
    f.desktop->Advance(500ms);
    EXPECT_EQ(f.scripts, std::vector<std::string>{"webkit.messageHandlers.bridge.onMessage('hello')"});
}

TEST(StartPageHostTest, EchoOutlivesADetachedViewWithoutReachingIt) {
    Fixture f;
    f.Load();
    test::CapturedLines lines;
    f.host->MessageReceived("action.help");
    f.host->Detach();
    f.host.reset();  // the pending echo keeps the host alive
    f.desktop->Advance(1s);
    EXPECT_TRUE(f.scripts.empty());
}

}  // namespace
}  // namespace brivane::web
