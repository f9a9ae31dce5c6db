#include "app/StartScreen.h"

#include "tests/unit/web/FakeDesktop.h"
#include "web/ServiceAddresses.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using enum document::CheckResult;

struct Screen {
    std::shared_ptr<test::FakeDesktop> desktop = std::make_shared<test::FakeDesktop>();
    std::vector<std::string> switched, elsewhere;
    std::shared_ptr<StartScreen> screen = StartScreen::Create(
        desktop, [this](const std::string& url) { switched.push_back(url); },
        [this](const std::string& url) { elsewhere.push_back(url); });
    // An alert's completion holds the screen, as a real dialog does until it closes.
    ~Screen() { desktop->alerts.clear(); }
};

TEST(StartScreenTest, CheckResultsPickAlertOrFlipbook) {
    const std::string file = "file:///home/u/Book.flip";
    const struct {
        document::CheckResult code;
        std::string alertText;
        std::vector<std::string> buttons;
    } cases[] = {
        {Accepted, "", {}},
        {TooNew, StartScreen::TOO_NEW_TEXT, {"Yes", "No"}},
        {NoMetadata, StartScreen::INVALID_TEXT, {"Close"}},
        {Corrupted, StartScreen::INVALID_TEXT, {"Close"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(document::CheckCode(c.code));
        Screen s;
        s.screen->HandleCheckResult(file, c.code);
        const bool switches = c.alertText.empty();
        EXPECT_EQ(s.screen->urlFlipbook(), file);
        EXPECT_EQ(s.screen->showFlipbook(), switches);
        EXPECT_EQ(s.switched, switches ? std::vector{file} : std::vector<std::string>{});
        ASSERT_EQ(s.desktop->alerts.size(), switches ? 0u : 1u);
        if (!switches) {
            EXPECT_EQ(s.desktop->alerts[0].alert.text, c.alertText);
            EXPECT_EQ(s.desktop->alerts[0].alert.buttons, c.buttons);
        }
    }
}

TEST(StartScreenTest, TooNewAlertOpensTheUpdatePageOnlyOnYes) {
    for (const auto& [response, opens] : {std::pair{1000, true}, std::pair{1001, false}}) {
        Screen s;
        s.screen->HandleCheckResult("file:///b.flip", TooNew);
        ASSERT_EQ(s.desktop->alerts.size(), 1u);
        s.desktop->alerts[0].completion(response);
        EXPECT_EQ(s.desktop->opened,
                  opens ? std::vector<std::string>{web::UpdatePageUrl()} : std::vector<std::string>{});
        EXPECT_FALSE(s.screen->showFlipbook());
    }
}

// After a rejected file the start page asks again and a valid file opens.
TEST(StartScreenTest, RejectedFileLeavesTheStartPageUsable) {
    Screen s;
    s.screen->HandleCheckResult("file:///bad.flip", Corrupted);
    s.screen->HandleCheckResult("file:///good.flip", Accepted);
    EXPECT_EQ(s.switched, std::vector<std::string>{"file:///good.flip"});
}

// A window reading a flipbook keeps it; a later URL is recorded only.
TEST(StartScreenTest, OpenedUrlsSwitchOnceWithoutCheck) {
    Screen s;
    s.screen->ShowOpenedURL("file:///first.flip");
    s.screen->ShowOpenedURL("file:///second.flip");
    EXPECT_EQ(s.switched, std::vector<std::string>{"file:///first.flip"});
    EXPECT_EQ(s.screen->urlFlipbook(), "file:///second.flip");
    EXPECT_TRUE(s.desktop->alerts.empty());
}

// A file from the system can take the window while its own check runs: the
// checked file that passes then opens in a window of its own, not nowhere.
TEST(StartScreenTest, FileAcceptedAfterTheWindowSwitchedOpensElsewhere) {
    const struct {
        document::CheckResult result;
        std::vector<std::string> elsewhere;
        std::size_t alerts;
    } cases[] = {
        {Accepted, {"file:///checked.flip"}, 0},
        {Corrupted, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(document::CheckCode(c.result));
        Screen s;
        s.screen->ShowOpenedURL("file:///from-system.flip");
        s.screen->HandleCheckResult("file:///checked.flip", c.result);
        EXPECT_EQ(s.switched, std::vector<std::string>{"file:///from-system.flip"});
        EXPECT_EQ(s.elsewhere, c.elsewhere);
        EXPECT_EQ(s.desktop->alerts.size(), c.alerts);
    }
}

}  // namespace
}  // namespace brivane::app
