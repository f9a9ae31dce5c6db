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

using Shown = std::pair<std::string, std::vector<std::string>>;  // an alert's text and buttons
// A file the check answered, or (without a result) one the system opened unchecked.
using Step = std::pair<std::string, std::optional<document::CheckResult>>;

// The window switches to the first file accepted or opened, for good; a file
// accepted after that opens in a window of its own, not nowhere; a rejected
// file gets its alert and leaves the start page usable; a too new one opens
// the update page only on Yes.
TEST(StartScreenTest, SwitchesOnceAndAlertsForRejectedFiles) {
    const std::string a = "file:///a.flip", b = "file:///b.flip";
    const Shown tooNew{StartScreen::TOO_NEW_TEXT, {"Yes", "No"}}, invalid{StartScreen::INVALID_TEXT, {"Close"}};
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> switched, elsewhere;
        std::vector<Shown> alerts;
        int answer = 0;  // the button response given to the alert, if any
        std::vector<std::string> opened = {};
    } cases[] = {
        {"too new, answered Yes", {{a, TooNew}}, {}, {}, {tooNew}, 1000, {web::UpdatePageUrl()}},
        {"too new, answered No", {{a, TooNew}}, {}, {}, {tooNew}, 1001},
        {"no metadata", {{a, NoMetadata}}, {}, {}, {invalid}},
        {"rejected, then accepted", {{a, Corrupted}, {b, Accepted}}, {b}, {}, {invalid}},
        {"opened twice", {{a, std::nullopt}, {b, std::nullopt}}, {a}, {}, {}},
        {"accepted after an opened file", {{a, std::nullopt}, {b, Accepted}}, {a}, {b}, {}},
        {"rejected after an opened file", {{a, std::nullopt}, {b, Corrupted}}, {a}, {}, {invalid}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Screen s;
        for (const auto& [url, result] : c.steps)
            result ? s.screen->HandleCheckResult(url, *result) : s.screen->ShowOpenedURL(url);
        if (c.answer) s.desktop->alerts.at(0).completion(c.answer);
        EXPECT_EQ(s.desktop->opened, c.opened) << "the update page only on Yes";
        EXPECT_EQ(s.switched, c.switched);
        EXPECT_EQ(s.elsewhere, c.elsewhere);
        EXPECT_EQ(s.screen->showFlipbook(), !c.switched.empty());
        EXPECT_EQ(s.screen->urlFlipbook(), c.steps.back().first);
        std::vector<Shown> alerts;
        for (const auto& shown : s.desktop->alerts) alerts.emplace_back(shown.alert.text, shown.alert.buttons);
        EXPECT_EQ(alerts, c.alerts);
    }
}

}  // namespace
}  // namespace brivane::app
