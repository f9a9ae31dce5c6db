#pragma once

#include "tools/Command.h"

namespace brivane::tools {

// brivane-flip open FILE: what the flipbook page does, without a display:
// install the reader core, unpack, print the reader configuration.
class OpenCommand {
public:
    static const Command COMMAND;
    static int Run(const std::vector<std::string>& args);
};

}  // namespace brivane::tools
