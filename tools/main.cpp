#include "tools/CheckCommand.h"
#include "tools/Command.h"
#include "tools/OpenCommand.h"
#include "tools/PackCommand.h"
#include "tools/ThumbnailCommand.h"
#include "tools/TitleCommand.h"

#include <cstring>
#include <exception>
#include <iostream>

namespace {

// One line per subcommand; each lives in its own <Name>Command file.
const brivane::tools::Command* const COMMANDS[] = {
    &brivane::tools::CheckCommand::COMMAND,     &brivane::tools::TitleCommand::COMMAND,
    &brivane::tools::PackCommand::COMMAND,      &brivane::tools::OpenCommand::COMMAND,
    &brivane::tools::ThumbnailCommand::COMMAND,
};

int Usage() {
    std::cerr << "usage:\n";
    for (const auto* command : COMMANDS)
        std::cerr << "  brivane-flip " << command->name << ' ' << command->usage << '\n';
    return brivane::tools::EXIT_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    for (const auto* command : COMMANDS) {
        if (std::strcmp(argv[1], command->name) != 0) continue;
        // A command that meets something it did not foresee says so in one
        // line instead of aborting.
        try {
            return command->run({argv + 2, argv + argc});
        } catch (const std::exception& error) {
            std::cerr << "brivane-flip " << command->name << ": " << error.what() << '\n';
        } catch (...) {
            std::cerr << "brivane-flip " << command->name << ": unexpected failure\n";
        }
        return brivane::tools::EXIT_REJECTED;
    }
    std::cerr << "brivane-flip: unknown command " << argv[1] << '\n';
    return Usage();
}
