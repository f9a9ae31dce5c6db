#pragma once

#include "Desktop.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brivane::test {

// Records what the flows ask of the desktop; time passes only when a test says so.
class FakeDesktop : public web::Desktop {
public:
    struct Pending {
        std::chrono::milliseconds due;
        std::function<void()> work;
    };
    struct ShownAlert {
        web::Alert alert;
        std::function<void(int)> completion;
    };

    std::vector<std::string> opened;
    std::vector<Pending> scheduled;
    std::vector<ShownAlert> alerts;
    std::deque<std::optional<std::string>> chooserAnswers;
    int choosersShown = 0;
    // When set, background work waits for RunBackground().
    bool holdBackground = false;
    std::vector<std::pair<std::function<void()>, std::function<void()>>> background;
    std::chrono::milliseconds now{0};

    void OpenURI(const std::string& uri) override { opened.push_back(uri); }
    void ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> work) override {
        scheduled.push_back({now + delay, std::move(work)});
    }
    void ShowAlert(const web::Alert& alert, std::function<void(int)> completion) override {
        alerts.push_back({alert, std::move(completion)});
    }
    void ChooseFlipbookFile(std::function<void(std::optional<std::string>)> done) override {
        ++choosersShown;
        auto answer = chooserAnswers.empty() ? std::nullopt : chooserAnswers.front();
        if (!chooserAnswers.empty()) chooserAnswers.pop_front();
        done(answer);
    }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        if (holdBackground) {
            background.emplace_back(std::move(work), std::move(done));
            return;
        }
        work();
        done();
    }

    // Runs the background work handed over so far, oldest first.
    void RunBackground() {
        auto jobs = std::move(background);
        background.clear();
        for (auto& [work, done] : jobs) {
            work();
            done();
        }
    }
    // Advances the clock and runs what came due, in due order.
    void Advance(std::chrono::milliseconds by) {
        now += by;
        for (bool ran = true; ran;) {
            ran = false;
            for (std::size_t i = 0; i < scheduled.size(); ++i) {
                if (scheduled[i].due <= now) {
                    auto work = std::move(scheduled[i].work);
                    scheduled.erase(scheduled.begin() + static_cast<std::ptrdiff_t>(i));
                    work();
                    ran = true;
                    break;
                }
            }
        }
    }
};

}  // namespace brivane::test
