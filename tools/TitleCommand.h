#pragma once

#include "tools/Command.h"

namespace brivane::tools {

// brivane-flip title FILE: the title the reading window would show.
class TitleCommand {
public:
    static const Command COMMAND;
    static int Run(const std::vector<std::string>& args);
};

}  // namespace brivane::tools
