#pragma once

#include <functional>
#include <memory>

namespace brivane::app {

// Whether the desktop says a screen reader is running (the accessibility
// bus's ScreenReaderEnabled), asked without waiting for the answer.
class ScreenReaderStatus {
public:
    // running is called on the main thread, and only when one is; alive going
    // first means the asker is gone.
    static void Ask(std::weak_ptr<void> alive, std::function<void()> running);
};

}  // namespace brivane::app
