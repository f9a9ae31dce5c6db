#pragma once

#include "web/SpeechBackend.h"

#include <glib.h>  // for guint

#include <functional>
#include <string>

namespace brivane::app {

// A voice for tests: writes each sentence it is asked to say as a line of a
// file, and takes a moment to "say" it so the page can be seen to follow.
class RecordingVoice : public web::SpeechBackend {
public:
    explicit RecordingVoice(std::string path);
    ~RecordingVoice() override;
    RecordingVoice(const RecordingVoice&) = delete;
    RecordingVoice& operator=(const RecordingVoice&) = delete;

    bool Open() override;
    void Speak(const std::string& text, std::function<void(bool finished)> done) override;
    void Cancel() override;
    void SetRate(int rate) override;

private:
    void Write(const std::string& line);

    std::string path_;
    int rate_ = 0;
    guint timer_ = 0;
    std::function<void(bool)> done_;
};

}  // namespace brivane::app
