#include "web/ReadAloud.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brivane::web {
namespace {

using State = ReadAloud::State;
using Lines = std::vector<std::string>;

// A voice that only remembers: the test says when a sentence is over.
class FakeVoice : public SpeechBackend {
public:
    struct Log {
        bool available = true;
        Lines said;
        int cancels = 0;
        int rate = 0;
        std::function<void(bool)> done;
    };
    explicit FakeVoice(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    bool Open() override { return log_->available; }
    void Speak(const std::string& text, std::function<void(bool)> done) override {
        log_->said.push_back(text);
        log_->done = std::move(done);
    }
    void Cancel() override {
        ++log_->cancels;
        if (auto done = std::exchange(log_->done, nullptr)) done(false);
    }
    void SetRate(int rate) override { log_->rate = rate; }

private:
    std::shared_ptr<Log> log_;
};

struct Listener {
    std::shared_ptr<FakeVoice::Log> voice = std::make_shared<FakeVoice::Log>();
    Lines marks, told;
    int turns = 0;
    std::unique_ptr<ReadAloud> reader;
    Listener() {
        ReadAloud::Effects effects;
        effects.mark = [this](int page, std::size_t from, std::size_t to) {
            marks.push_back(std::to_string(page) + ":" + std::to_string(from) + "-" + std::to_string(to));
        };
        effects.unmark = [this] { marks.push_back("none"); };
        effects.turn = [this] { ++turns; };
        effects.tell = [this](const std::string& text) { told.push_back(text); };
        reader = std::make_unique<ReadAloud>(std::make_unique<FakeVoice>(voice), std::move(effects));
    }
    void Finish() {
        if (auto done = std::exchange(voice->done, nullptr)) done(true);
    }
};

BridgeProtocol::ShownPages Pages(int count, std::vector<BridgeProtocol::ShownPage> pages) {
    return {count, std::move(pages)};
}

// Reading follows the book: sentence by sentence, then the next page, and
// stops at the book's end without turning past it.
TEST(ReadAloudTest, ReadsSentenceBySentenceAndTurnsThePage) {
    Listener l;
    l.reader->Shown(Pages(10, {{9, "First one. Second one."}}));
    l.reader->StartOrPause();
    EXPECT_EQ(l.voice->said, (Lines{"First one."}));
    l.Finish();
    EXPECT_EQ(l.voice->said, (Lines{"First one.", "Second one."}));
    l.Finish();
    EXPECT_EQ(l.turns, 1);
    EXPECT_EQ(l.reader->GetState(), State::Turning);
    l.reader->Shown(Pages(10, {{10, "Last page."}}));
    EXPECT_EQ(l.voice->said.back(), "Last page.");
    l.Finish();
    EXPECT_EQ(l.turns, 1);
    EXPECT_EQ(l.reader->GetState(), State::Stopped);
    EXPECT_EQ(l.marks, (Lines{"9:0-10", "9:11-22", "none", "10:0-10", "none", "none"}));
    EXPECT_EQ(l.told, (Lines{ReadAloud::END_MESSAGE}));
}

// What the user does while it reads; a "done" that arrives for words cut
// short must not move the reading on.
TEST(ReadAloudTest, PauseResumeStopAndTurningByHand) {
    const struct {
        const char* name;
        std::function<void(Listener&)> act;
        Lines said;
        State state;
    } cases[] = {
        {"pause then resume says the cut sentence again",
         [](Listener& l) {
             l.reader->StartOrPause();
             l.reader->StartOrPause();
             l.reader->StartOrPause();
         },
         {"One.", "One."},
         State::Reading},
        {"stop forgets the place",
         [](Listener& l) {
             l.reader->StartOrPause();
             l.Finish();
             l.reader->Stop();
             l.reader->StartOrPause();
         },
         {"One.", "Two.", "One."},
         State::Reading},
        {"a turn by hand reads the new page from its start",
         [](Listener& l) {
             l.reader->StartOrPause();
             l.reader->Shown(Pages(5, {{2, "Other."}}));
         },
         {"One.", "Other."},
         State::Reading},
        {"the same page told again changes nothing",
         [](Listener& l) {
             l.reader->StartOrPause();
             l.reader->Shown(Pages(5, {{1, "One. Two."}}));
         },
         {"One."},
         State::Reading},
        {"another program cutting the voice pauses",
         [](Listener& l) {
             l.reader->StartOrPause();
             if (auto done = std::exchange(l.voice->done, nullptr)) done(false);
         },
         {"One."},
         State::Paused},
    };
    for (const auto& c : cases) {
        Listener l;
        l.reader->Shown(Pages(5, {{1, "One. Two."}}));
        c.act(l);
        EXPECT_EQ(l.voice->said, c.said) << c.name;
        EXPECT_EQ(l.reader->GetState(), c.state) << c.name;
    }
}

// A voice gone quiet must not leave the reader wondering: it is said, and
// going on starts again at the sentence that was cut.
TEST(ReadAloudTest, AVoiceCutShortIsSaidAndResumesAtTheSentence) {
    Listener l;
    l.reader->Shown(Pages(5, {{1, "One. Two."}}));
    l.reader->StartOrPause();
    l.Finish();
    if (auto done = std::exchange(l.voice->done, nullptr)) done(false);
    EXPECT_EQ(l.told, (Lines{ReadAloud::CUT_MESSAGE}));
    l.reader->StartOrPause();
    EXPECT_EQ(l.voice->said, (Lines{"One.", "Two.", "Two."}));
}

TEST(ReadAloudTest, WithoutASpeechServiceItSaysSoOnceAndStaysStopped) {
    Listener l;
    l.voice->available = false;
    l.reader->Shown(Pages(5, {{1, "One."}}));
    l.reader->StartOrPause();
    EXPECT_EQ(l.told, (Lines{ReadAloud::NO_SPEECH_MESSAGE}));
    EXPECT_EQ(l.reader->GetState(), State::Stopped);
    EXPECT_TRUE(l.voice->said.empty());
    l.told.clear();
    l.reader->Faster();
    EXPECT_EQ(l.voice->rate, 0);  // nothing to tell the rate to
}

TEST(ReadAloudTest, RateStepsStayWithinTheVoicesRange) {
    Listener l;
    l.reader->Shown(Pages(5, {{1, "One."}}));
    l.reader->StartOrPause();
    for (int i = 0; i < 8; ++i) l.reader->Faster();
    EXPECT_EQ(l.voice->rate, 100);
    EXPECT_EQ(l.told.back(), "Reading speed +100");
    for (int i = 0; i < 11; ++i) l.reader->Slower();
    EXPECT_EQ(l.voice->rate, -100);
}

TEST(ReadAloudTest, ClosingWhileReadingSilencesTheVoice) {
    Listener l;
    l.reader->Shown(Pages(5, {{1, "One."}}));
    l.reader->StartOrPause();
    l.reader.reset();
    EXPECT_EQ(l.voice->cancels, 1);
}

}  // namespace
}  // namespace brivane::web
