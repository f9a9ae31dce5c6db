#include "base/DirectoryEntries.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace brivane {

std::optional<std::vector<std::string>> DirectoryEntries::List(int dirFd) {
    // fdopendir takes the descriptor, so it gets a duplicate.
    int dup = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (dup < 0) return std::nullopt;
    DIR* dir = fdopendir(dup);
    if (!dir) {
        close(dup);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

}  // namespace brivane
