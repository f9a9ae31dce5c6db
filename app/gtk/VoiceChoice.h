#pragma once

#include "web/SpeechBackend.h"

#include <memory>

namespace brivane::app {

// Which voice reads aloud: the desktop's speech service, unless the test
// suite asks for a recording one through BRIVANE_TEST_SPEECH_LOG.
class VoiceChoice {
public:
    static std::unique_ptr<web::SpeechBackend> Make();
};

}  // namespace brivane::app
