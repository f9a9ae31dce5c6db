#include "tools/Command.h"

#include "base/FileUrl.h"

#include <filesystem>
#include <iostream>

namespace brivane::tools {

std::optional<std::string> ArgumentToUrl(const std::string& argument) {
    if (argument.rfind("file:", 0) == 0) return argument;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(argument, ec);
    if (ec) return std::nullopt;
    return FileUrlFromPath(absolute.lexically_normal().string());
}

int UsageError(const Command& command, const std::string& problem) {
    if (!problem.empty()) std::cerr << "brivane-flip " << command.name << ": " << problem << '\n';
    std::cerr << "usage: brivane-flip " << command.name << ' ' << command.usage << '\n';
    return EXIT_USAGE;
}

std::optional<std::string> SingleFileUrl(const Command& command, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        UsageError(command);
        return std::nullopt;
    }
    auto url = ArgumentToUrl(args[0]);
    if (!url) UsageError(command, "cannot make a file URL of " + args[0]);
    return url;
}

}  // namespace brivane::tools
