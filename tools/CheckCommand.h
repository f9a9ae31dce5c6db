#pragma once

#include "tools/Command.h"

namespace brivane::tools {

// brivane-flip check FILE: the file check the reader runs before opening a
// flipbook; last line is the error code, or OK.
class CheckCommand {
public:
    static const Command COMMAND;
    static int Run(const std::vector<std::string>& args);
};

}  // namespace brivane::tools
