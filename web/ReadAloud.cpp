#include "web/ReadAloud.h"

#include "base/Unique.h"

#include <glib/gi18n-lib.h>  // for _()

#include <algorithm>
#include <utility>

namespace brivane::web {

ReadAloud::ReadAloud(std::unique_ptr<SpeechBackend> backend, Effects effects)
    : backend_(std::move(backend)), effects_(std::move(effects)) {}

ReadAloud::~ReadAloud() {
    *alive_ = false;
    // Closing the window must not leave the voice talking about a book nobody sees.
    if (state_ == State::Reading) backend_->Cancel();
}

void ReadAloud::Shown(const BridgeProtocol::ShownPages& shown) {
    if (shown == shown_) return;
    shown_ = shown;
    switch (state_) {
    case State::Stopped:
        return;
    case State::Paused:
        // Turned by hand while paused: going on starts on the new pages.
        Queue();
        return;
    case State::Reading:
        Cut();
        [[fallthrough]];
    case State::Turning:
        Set(State::Reading);
        Queue();
        SpeakNext();
        return;
    }
}

void ReadAloud::StartOrPause() {
    switch (state_) {
    case State::Reading:
    case State::Turning:
        Cut();
        Set(State::Paused);
        return;
    case State::Paused:
        Set(State::Reading);
        SpeakNext();
        return;
    case State::Stopped:
        break;
    }
    // Asked again each time: the service may have come up since.
    if (!opened_) opened_ = backend_->Open();
    if (!opened_) {
        if (effects_.tell) effects_.tell(_(NO_SPEECH_MESSAGE));
        return;
    }
    backend_->SetRate(rate_);
    Set(State::Reading);
    Queue();
    SpeakNext();
}

void ReadAloud::Stop() {
    if (state_ == State::Stopped) return;
    Cut();
    queue_.clear();
    next_ = 0;
    if (effects_.unmark) effects_.unmark();
    Set(State::Stopped);
}

void ReadAloud::Faster() { SetRate(rate_ + RATE_STEP); }

void ReadAloud::Slower() { SetRate(rate_ - RATE_STEP); }

void ReadAloud::SetRate(int rate) {
    rate_ = std::clamp(rate, -100, 100);
    // The voice takes it from the next sentence on.
    if (opened_) backend_->SetRate(rate_);
    // Heard, not seen: the new speed is said where the rest is.
    UniqueGChars text(g_strdup_printf(_("Reading speed %+d"), rate_));
    if (effects_.tell) effects_.tell(text.get());
}

void ReadAloud::Queue() {
    queue_.clear();
    next_ = 0;
    for (const auto& page : shown_.pages)
        for (auto& sentence : SentenceSplitter::Split(page.text)) queue_.push_back({page.number, std::move(sentence)});
}

void ReadAloud::SpeakNext() {
    if (next_ < queue_.size()) {
        const Item& item = queue_[next_];
        if (effects_.mark) effects_.mark(item.page, item.sentence.from, item.sentence.to);
        backend_->Speak(item.sentence.text,
                        [alive = std::weak_ptr<bool>(alive_), this, generation = generation_](bool finished) {
                            if (const auto live = alive.lock(); live && *live) Spoken(finished, generation);
                        });
        return;
    }
    if (effects_.unmark) effects_.unmark();
    const bool last = shown_.pages.empty() || shown_.pages.back().number >= shown_.count;
    if (last) {
        Stop();
        if (effects_.tell) effects_.tell(_(END_MESSAGE));
        return;
    }
    Set(State::Turning);
    if (effects_.turn) effects_.turn();
}

void ReadAloud::Spoken(bool finished, int generation) {
    if (generation != generation_ || state_ != State::Reading) return;
    if (!finished) {
        // Cut short by someone else (another program took the voice, or the
        // service went quiet): stay where it was, and say why it went silent.
        ++generation_;
        Set(State::Paused);
        if (effects_.tell) effects_.tell(_(CUT_MESSAGE));
        return;
    }
    ++next_;
    SpeakNext();
}

void ReadAloud::Cut() {
    ++generation_;
    backend_->Cancel();
}

void ReadAloud::Set(State state) {
    if (state == state_) return;
    state_ = state;
    if (effects_.changed) effects_.changed(state);
}

}  // namespace brivane::web
