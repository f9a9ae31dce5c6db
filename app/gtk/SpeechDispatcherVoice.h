#pragma once

#include "web/SpeechBackend.h"

#include <glib.h>  // for gboolean
#include <libspeechd.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace brivane::app {

// The desktop's speech service, through its client library.
class SpeechDispatcherVoice : public web::SpeechBackend {
public:
    SpeechDispatcherVoice() = default;
    ~SpeechDispatcherVoice() override;
    SpeechDispatcherVoice(const SpeechDispatcherVoice&) = delete;
    SpeechDispatcherVoice& operator=(const SpeechDispatcherVoice&) = delete;

    bool Open() override;
    void Speak(const std::string& text, std::function<void(bool finished)> done) override;
    void Cancel() override;
    void SetRate(int rate) override;

private:
    // The library calls back on its own thread, with ids and no user data.
    static void Notified(std::size_t message, std::size_t client, int type);
    static gboolean OnMain(gpointer event);
    void Ended(std::size_t message, bool finished);
    void Watch(std::size_t message, std::size_t characters);

    SPDConnection* connection_ = nullptr;
    int client_ = -1;
    std::map<std::size_t, std::function<void(bool)>> pending_;
    guint watchdog_ = 0;
};

}  // namespace brivane::app
