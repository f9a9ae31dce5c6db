#pragma once

#include <functional>
#include <string_view>

namespace brivane {

// Diagnostic lines go to standard output, one flushed line each, so that a
// reader of the terminal (or a test) sees them in the order they happened.
class Diagnostics {
public:
    using Sink = std::function<void(std::string_view)>;

    static void Line(std::string_view text);

    // Replaces the destination of Line(); an empty sink restores stdout.
    // Returns the previous sink.
    static Sink SetSink(Sink sink);
};

}  // namespace brivane
