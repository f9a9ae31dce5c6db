#pragma once

#include "base/Diagnostics.h"

#include <string>
#include <vector>

namespace brivane::test {

// Collects the diagnostic lines written while it lives, instead of stdout.
class CapturedLines {
public:
    CapturedLines() {
        previous_ = Diagnostics::SetSink([this](std::string_view line) { lines.emplace_back(line); });
    }
    ~CapturedLines() { Diagnostics::SetSink(std::move(previous_)); }
    CapturedLines(const CapturedLines&) = delete;
    CapturedLines& operator=(const CapturedLines&) = delete;

    std::vector<std::string> lines;

private:
    Diagnostics::Sink previous_;
};

}  // namespace brivane::test
