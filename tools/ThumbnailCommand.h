#pragma once

#include "tools/Command.h"

namespace brivane::tools {

// brivane-flip thumbnail [-s SIZE] [-t SECONDS] FILE OUTPUT.png: the first
// page of a flipbook the check accepts, as a PNG for file managers. Bounded in
// time (the process gives up after SECONDS) and in memory.
class ThumbnailCommand {
public:
    static const Command COMMAND;
    static int Run(const std::vector<std::string>& args);

    static constexpr int DEFAULT_SIZE = 256;
    static constexpr int MAX_SIZE = 4096;
    static constexpr int DEFAULT_SECONDS = 20;
    static constexpr int MAX_SECONDS = 600;
};

}  // namespace brivane::tools
