#include "web/ReadAloud.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace brivane::web {
namespace {

using State = ReadAloud::State;
using Lines = std::vector<std::string>;

// What the user hears and is told; its voice only remembers, and the test
// says when a sentence is over.
struct Listener {
    bool available = true;
    Lines said, marks, told;
    int cancels = 0, rate = 0, turns = 0;
    std::function<void(bool)> done;
    std::unique_ptr<ReadAloud> reader;
    Listener();
    void Finish() {
        if (auto d = std::exchange(done, nullptr)) d(true);
    }
    // Runs what the user and the voice do, one word each: "start" (the
    // button), "stop", "done" (a sentence spoken to its end), "cut" (the
    // voice cut short by another program), "turn" (the user turns the page),
    // "same" (the page tells what it shows again), "faster".
    void Do(const std::string& steps) {
        std::istringstream words(steps);
        for (std::string word; words >> word;) {
            if (word == "start") reader->StartOrPause();
            if (word == "stop") reader->Stop();
            if (word == "done") Finish();
            if (word == "cut" && done) std::exchange(done, nullptr)(false);
            if (word == "turn") reader->Shown({5, {{2, "Other."}}});
            if (word == "same") reader->Shown({5, {{1, "One. Two."}}});
            if (word == "faster") reader->Faster();
        }
    }
};

class FakeVoice : public SpeechBackend {
public:
    explicit FakeVoice(Listener& l) : l_(l) {}
    bool Open() override { return l_.available; }
    void Speak(const std::string& text, std::function<void(bool)> done) override {
        l_.said.push_back(text);
        l_.done = std::move(done);
    }
    void Cancel() override {
        ++l_.cancels;
        if (auto done = std::exchange(l_.done, nullptr)) done(false);
    }
    void SetRate(int rate) override { l_.rate = rate; }

private:
    Listener& l_;
};

Listener::Listener() {
    ReadAloud::Effects effects;
    effects.mark = [this](int page, std::size_t from, std::size_t to) {
        marks.push_back(std::to_string(page) + ":" + std::to_string(from) + "-" + std::to_string(to));
    };
    effects.unmark = [this] { marks.push_back("none"); };
    effects.turn = [this] { ++turns; };
    effects.tell = [this](const std::string& text) { told.push_back(text); };
    reader = std::make_unique<ReadAloud>(std::make_unique<FakeVoice>(*this), std::move(effects));
}

// Reading follows the book: sentence by sentence, then the next page, and
// stops at the book's end without turning past it.
TEST(ReadAloudTest, ReadsSentenceBySentenceAndTurnsThePage) {
    Listener l;
    l.reader->Shown({10, {{9, "First one. Second one."}}});
    l.reader->StartOrPause();
    EXPECT_EQ(l.said, (Lines{"First one."}));
    l.Finish();
    EXPECT_EQ(l.said, (Lines{"First one.", "Second one."}));
    l.Finish();
    EXPECT_EQ(l.turns, 1);
    EXPECT_EQ(l.reader->GetState(), State::Turning);
    l.reader->Shown({10, {{10, "Last page."}}});
    EXPECT_EQ(l.said.back(), "Last page.");
    l.Finish();
    EXPECT_EQ(l.turns, 1);
    EXPECT_EQ(l.reader->GetState(), State::Stopped);
    EXPECT_EQ(l.marks, (Lines{"9:0-10", "9:11-22", "none", "10:0-10", "none", "none"}));
    EXPECT_EQ(l.told, (Lines{ReadAloud::END_MESSAGE}));
}

// What the user does while it reads; a "done" that arrives for words cut
// short must not move the reading on. A voice gone quiet must not leave the
// reader wondering: it is said, and going on starts again at the sentence
// that was cut. Without a speech service that is said, and nothing more.
TEST(ReadAloudTest, PauseResumeStopTurningAndAVoiceCutShort) {
    const struct {
        const char* steps;
        Lines said;
        State state;
        Lines told = {};
        bool available = true;
    } cases[] = {
        {"start start start", {"One.", "One."}, State::Reading},
        {"start done stop start", {"One.", "Two.", "One."}, State::Reading},
        {"start turn", {"One.", "Other."}, State::Reading},
        {"start same", {"One."}, State::Reading},
        {"start cut", {"One."}, State::Paused, {ReadAloud::CUT_MESSAGE}},
        {"start done cut start", {"One.", "Two.", "Two."}, State::Reading, {ReadAloud::CUT_MESSAGE}},
        {"start faster", {}, State::Stopped, {ReadAloud::NO_SPEECH_MESSAGE, "Reading speed +20"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        Listener l;
        l.available = c.available;
        l.reader->Shown({5, {{1, "One. Two."}}});
        l.Do(c.steps);
        EXPECT_EQ(l.said, c.said);
        EXPECT_EQ(l.reader->GetState(), c.state);
        EXPECT_EQ(l.told, c.told);
        EXPECT_EQ(l.rate, 0);  // nothing here tells the voice another rate
    }
}

TEST(ReadAloudTest, RateStepsStayWithinTheVoicesRange) {
    Listener l;
    l.reader->Shown({5, {{1, "One."}}});
    l.reader->StartOrPause();
    for (int i = 0; i < 8; ++i) l.reader->Faster();
    EXPECT_EQ(l.rate, 100);
    EXPECT_EQ(l.told.back(), "Reading speed +100");
    for (int i = 0; i < 11; ++i) l.reader->Slower();
    EXPECT_EQ(l.rate, -100);
}

TEST(ReadAloudTest, ClosingWhileReadingSilencesTheVoice) {
    Listener l;
    l.reader->Shown({5, {{1, "One."}}});
    l.reader->StartOrPause();
    l.reader.reset();
    EXPECT_EQ(l.cancels, 1);
}

}  // namespace
}  // namespace brivane::web
