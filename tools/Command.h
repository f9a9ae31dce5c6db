#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivane::tools {

inline constexpr int EXIT_ACCEPTED = 0;
inline constexpr int EXIT_REJECTED = 1;  // also: the command could not do its work
inline constexpr int EXIT_USAGE = 2;

// One subcommand of brivane-flip: run with the arguments after its name.
struct Command {
    const char* name;
    const char* usage;  // arguments, as shown after "brivane-flip <name> "
    int (*run)(const std::vector<std::string>& args);
};

// Writes "usage: brivane-flip <name> <usage>" to stderr; returns EXIT_USAGE.
int UsageError(const Command& command, const std::string& problem = {});

// A FILE argument as a file URL: file URLs pass through, paths are made
// absolute first. Absent when no URL can be made of it.
std::optional<std::string> ArgumentToUrl(const std::string& argument);

// The one FILE argument of a command as a file URL (file URLs pass through,
// paths are made absolute first). Absent after a usage error was written:
// the command then returns EXIT_USAGE.
std::optional<std::string> SingleFileUrl(const Command& command, const std::vector<std::string>& args);

}  // namespace brivane::tools
