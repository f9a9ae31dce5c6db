#include "app/gtk/VoiceChoice.h"

#include "app/gtk/RecordingVoice.h"
#include "app/gtk/SpeechDispatcherVoice.h"

#include <glib.h>

namespace brivane::app {

std::unique_ptr<web::SpeechBackend> VoiceChoice::Make() {
    // Read here only: nothing else in the program looks at it.
    if (const char* log = g_getenv("BRIVANE_TEST_SPEECH_LOG"); log && *log)
        return std::make_unique<RecordingVoice>(log);
    return std::make_unique<SpeechDispatcherVoice>();
}

}  // namespace brivane::app
