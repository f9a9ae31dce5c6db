#include "app/gtk/SpeechDispatcherVoice.h"

#include "base/Diagnostics.h"
#include "base/Unique.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace brivane::app {

namespace {
// Voices alive, by the service's id for their connection; read on the
// library's thread, so behind a lock.
std::mutex registryLock;
std::map<std::size_t, SpeechDispatcherVoice*>& Registry() {
    static std::map<std::size_t, SpeechDispatcherVoice*> voices;
    return voices;
}

struct Event {
    std::size_t message;
    std::size_t client;
    bool finished;
};
}  // namespace

namespace {
// A service without working sound takes the words and never says it has
// spoken them: past this, the reading would hang with no sign of why.
constexpr guint SILENCE_BASE_MS = 10'000;
constexpr guint SILENCE_PER_CHARACTER_MS = 150;
}  // namespace

SpeechDispatcherVoice::~SpeechDispatcherVoice() {
    if (watchdog_) g_source_remove(watchdog_);
    if (!connection_) return;
    {
        std::lock_guard lock(registryLock);
        Registry().erase(static_cast<std::size_t>(client_));
    }
    spd_cancel(connection_);
    spd_close(connection_);
}

bool SpeechDispatcherVoice::Open() {
    if (connection_) return true;
    char* error = nullptr;
    // The service starts on demand where the desktop has it installed.
    connection_ = spd_open2("brivane-reader", "read-aloud", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
    if (!connection_) {
        Diagnostics::Line(std::string("speech service: ") + (error ? error : "cannot connect"));
        free(error);
        return false;
    }
    client_ = spd_get_client_id(connection_);
    {
        std::lock_guard lock(registryLock);
        Registry()[static_cast<std::size_t>(client_)] = this;
    }
    connection_->callback_end =
        connection_->callback_cancel = [](size_t message, size_t client, SPDNotificationType type) {
            Notified(message, client, static_cast<int>(type));
        };
    spd_set_notification_on(connection_, SPD_END);
    spd_set_notification_on(connection_, SPD_CANCEL);
    return true;
}

void SpeechDispatcherVoice::Notified(std::size_t message, std::size_t client, int type) {
    g_idle_add(OnMain, new Event{message, client, type == SPD_EVENT_END});
}

gboolean SpeechDispatcherVoice::OnMain(gpointer data) {
    const std::unique_ptr<Event> event(static_cast<Event*>(data));
    SpeechDispatcherVoice* voice = nullptr;
    {
        std::lock_guard lock(registryLock);
        const auto found = Registry().find(event->client);
        if (found != Registry().end()) voice = found->second;
    }
    // Only the main thread removes voices, so one found here is still there.
    if (voice) voice->Ended(event->message, event->finished);
    return G_SOURCE_REMOVE;
}

void SpeechDispatcherVoice::Ended(std::size_t message, bool finished) {
    const auto found = pending_.find(message);
    if (found == pending_.end()) return;
    if (watchdog_) g_source_remove(std::exchange(watchdog_, 0));
    auto done = std::move(found->second);
    pending_.erase(found);
    done(finished);
}

void SpeechDispatcherVoice::Speak(const std::string& text, std::function<void(bool finished)> done) {
    const int message = connection_ ? spd_say(connection_, SPD_TEXT, text.c_str()) : -1;
    if (message < 0) {
        // The service went away: say so as words cut short.
        done(false);
        return;
    }
    pending_[static_cast<std::size_t>(message)] = std::move(done);
    Watch(static_cast<std::size_t>(message), text.size());
}

void SpeechDispatcherVoice::Watch(std::size_t message, std::size_t characters) {
    if (watchdog_) g_source_remove(watchdog_);
    struct Waiting {
        SpeechDispatcherVoice* voice;
        std::size_t message;
    };
    const auto ms =
        SILENCE_BASE_MS + static_cast<guint>(std::min<std::size_t>(characters, 100'000)) * SILENCE_PER_CHARACTER_MS;
    watchdog_ = g_timeout_add_full(
        G_PRIORITY_DEFAULT, ms,
        +[](gpointer data) -> gboolean {
            const auto* waiting = static_cast<Waiting*>(data);
            waiting->voice->watchdog_ = 0;
            if (waiting->voice->connection_) spd_cancel(waiting->voice->connection_);
            waiting->voice->Ended(waiting->message, false);
            return G_SOURCE_REMOVE;
        },
        new Waiting{this, message}, +[](gpointer data) { delete static_cast<Waiting*>(data); });
}

void SpeechDispatcherVoice::Cancel() {
    if (watchdog_) g_source_remove(std::exchange(watchdog_, 0));
    if (connection_) spd_cancel(connection_);
    // Whatever the service still reports for these is no longer awaited.
    auto waiting = std::exchange(pending_, {});
    for (auto& [message, done] : waiting) done(false);
}

void SpeechDispatcherVoice::SetRate(int rate) {
    if (connection_) spd_set_voice_rate(connection_, rate);
}

}  // namespace brivane::app
