#include "base/Diagnostics.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace brivane {

namespace {
std::mutex& Lock() {
    static std::mutex m;
    return m;
}
Diagnostics::Sink& CurrentSink() {
    static Diagnostics::Sink sink;
    return sink;
}
}  // namespace

void Diagnostics::Line(std::string_view text) {
    // Unpacking may run on a worker thread; lines must not interleave.
    std::lock_guard guard(Lock());
    if (auto& sink = CurrentSink()) {
        sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

Diagnostics::Sink Diagnostics::SetSink(Sink sink) {
    std::lock_guard guard(Lock());
    return std::exchange(CurrentSink(), std::move(sink));
}

}  // namespace brivane
