#include "app/gtk/RecordingVoice.h"

#include <fstream>
#include <utility>

namespace brivane::app {

namespace {
// Long enough for a screenshot to catch the mark, short enough for a test.
constexpr guint SAYING_MS = 700;
}  // namespace

RecordingVoice::RecordingVoice(std::string path) : path_(std::move(path)) {}

RecordingVoice::~RecordingVoice() {
    if (timer_) g_source_remove(timer_);
}

bool RecordingVoice::Open() { return !path_.empty(); }

void RecordingVoice::Write(const std::string& line) { std::ofstream(path_, std::ios::app) << line << '\n'; }

void RecordingVoice::Speak(const std::string& text, std::function<void(bool finished)> done) {
    Cancel();
    Write("say " + std::to_string(rate_) + " " + text);
    done_ = std::move(done);
    const guint ms = rate_ > 0 ? SAYING_MS / 2 : SAYING_MS;
    timer_ = g_timeout_add(
        ms,
        +[](gpointer data) -> gboolean {
            auto* self = static_cast<RecordingVoice*>(data);
            self->timer_ = 0;
            if (auto done = std::exchange(self->done_, nullptr)) done(true);
            return G_SOURCE_REMOVE;
        },
        this);
}

void RecordingVoice::Cancel() {
    if (timer_) g_source_remove(std::exchange(timer_, 0));
    if (auto done = std::exchange(done_, nullptr)) {
        Write("cancel");
        done(false);
    }
}

void RecordingVoice::SetRate(int rate) { rate_ = rate; }

}  // namespace brivane::app
