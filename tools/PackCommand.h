#pragma once

#include "tools/Command.h"

namespace brivane::tools {

// brivane-flip pack PDF -o OUT.flip [--title T] [--subtitle S] [--assets DIR] [--force]:
// a valid flipbook around a PDF.
class PackCommand {
public:
    static const Command COMMAND;
    static int Run(const std::vector<std::string>& args);
};

}  // namespace brivane::tools
