#pragma once

#include <functional>
#include <string>

namespace brivane::web {

// The voice that reads aloud: the desktop's speech service, or a stand-in.
class SpeechBackend {
public:
    virtual ~SpeechBackend() = default;
    // False: there is nothing to speak through.
    virtual bool Open() = 0;
    // done runs on the main thread once: true when the text was spoken to its
    // end, false when it was cut short.
    virtual void Speak(const std::string& text, std::function<void(bool finished)> done) = 0;
    // Cuts short what is being said.
    virtual void Cancel() = 0;
    // -100 (slowest) to 100 (fastest); 0 is the voice's own pace.
    virtual void SetRate(int rate) = 0;
};

}  // namespace brivane::web
