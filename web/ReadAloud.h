#pragma once

#include "web/BridgeProtocol.h"
#include "web/SentenceSplitter.h"
#include "web/SpeechBackend.h"

#include <glib/gi18n-lib.h>  // for N_()

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brivane::web {

// Reads the pages on screen aloud sentence by sentence, marks the sentence
// being read and turns the page when the shown ones are done.
class ReadAloud {
public:
    enum class State { Stopped, Reading, Paused, Turning };

    struct Effects {
        std::function<void(int page, std::size_t from, std::size_t to)> mark;
        std::function<void()> unmark;
        std::function<void()> turn;
        // A status the user should hear: why nothing is read, or that it ended.
        std::function<void(const std::string& text)> tell;
        std::function<void(State state)> changed;
    };

    ReadAloud(std::unique_ptr<SpeechBackend> backend, Effects effects);
    ~ReadAloud();
    ReadAloud(const ReadAloud&) = delete;
    ReadAloud& operator=(const ReadAloud&) = delete;

    // The page tells what it shows, after every turn.
    void Shown(const BridgeProtocol::ShownPages& shown);
    // Reading starts at the first sentence on screen; a pause goes on where it was.
    void StartOrPause();
    void Stop();
    void Faster();
    void Slower();

    State GetState() const { return state_; }
    int Rate() const { return rate_; }

    static constexpr int RATE_STEP = 20;
    static constexpr const char* NO_SPEECH_MESSAGE =
        N_("Read aloud needs the speech service (speech-dispatcher), which cannot be reached.");
    static constexpr const char* END_MESSAGE = N_("Read aloud reached the end of the book.");
    static constexpr const char* CUT_MESSAGE = N_("Read aloud paused: the voice was interrupted or stopped answering.");

private:
    struct Item {
        int page = 0;
        SentenceSplitter::Sentence sentence;
    };
    void Queue();
    void SpeakNext();
    void Spoken(bool finished, int generation);
    void Cut();
    void Set(State state);
    void SetRate(int rate);

    std::unique_ptr<SpeechBackend> backend_;
    Effects effects_;
    BridgeProtocol::ShownPages shown_;
    std::vector<Item> queue_;
    std::size_t next_ = 0;
    State state_ = State::Stopped;
    int generation_ = 0;  // what the voice says now; a late "done" for older words is not ours
    int rate_ = 0;
    bool opened_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace brivane::web
