#pragma once

#include "web/Desktop.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivane::test {

// Records what the flows ask of the desktop; time passes only when a test says so.
class FakeDesktop : public web::Desktop {
public:
    struct ShownAlert {
        web::Alert alert;
        std::function<void(int)> completion;
    };

    std::vector<std::string> opened;
    std::vector<std::string> printed;  // each file, then the pages on screen
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;  // due, work
    std::vector<ShownAlert> alerts;
    std::deque<std::optional<std::string>> chooserAnswers;
    bool holdBackground = false;  // when set, background work waits for RunBackground()
    std::vector<std::pair<std::function<void()>, std::function<void()>>> background;
    std::vector<std::function<void()>> posted;  // RunOnMain work, run before the task's done
    std::chrono::milliseconds now{0};

    void OpenURI(const std::string& uri) override { opened.push_back(uri); }
    void PrintPdf(const std::string& uri, const std::vector<int>& shown) override {
        printed.push_back(uri);
        for (const int page : shown) printed.back() += " " + std::to_string(page);
    }
    void ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> work) override {
        scheduled.emplace_back(now + delay, std::move(work));
    }
    void ShowAlert(const web::Alert& alert, std::function<void(int)> completion) override {
        alerts.push_back({alert, std::move(completion)});
    }
    void ChooseFlipbookFile(std::function<void(std::optional<std::string>)> done) override {
        if (chooserAnswers.empty()) return done(std::nullopt);
        auto answer = std::move(chooserAnswers.front());
        chooserAnswers.pop_front();
        done(answer);
    }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        background.emplace_back(std::move(work), std::move(done));
        if (!holdBackground) RunBackground();
    }

    void RunOnMain(std::function<void()> work) override { posted.push_back(std::move(work)); }

    // Runs the background work handed over so far, oldest first, each with
    // what it posted to the main thread before its done.
    void RunBackground() {
        for (auto& [work, done] : std::exchange(background, {})) {
            work();
            for (auto& p : std::exchange(posted, {})) p();
            done();
        }
    }
    // Advances the clock and runs what came due, earliest scheduled first.
    void Advance(std::chrono::milliseconds by) {
        now += by;
        const auto due = [this](const auto& item) { return item.first <= now; };
        for (auto it = std::ranges::find_if(scheduled, due); it != scheduled.end();
             it = std::ranges::find_if(scheduled, due)) {
            auto work = std::move(it->second);
            scheduled.erase(it);
            work();  // may schedule more
        }
    }
};

}  // namespace brivane::test
