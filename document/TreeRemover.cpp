#include "TreeRemover.h"

#include "Unique.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace brivane::document {

namespace {

bool EmptyDirectory(int fd) {
    // fdopendir takes the descriptor, so it gets a duplicate.
    int dup = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (dup < 0) return false;
    DIR* dir = fdopendir(dup);
    if (!dir) {
        close(dup);
        return false;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    bool ok = true;
    for (const std::string& name : names) ok = TreeRemover::RemoveAt(fd, name.c_str()) && ok;
    return ok;
}

}  // namespace

bool TreeRemover::RemoveAt(int dirFd, const char* name) {
    if (unlinkat(dirFd, name, 0) == 0 || errno == ENOENT) return true;
    if (errno != EISDIR && errno != EPERM) return false;
    // O_NOFOLLOW: if a link took the directory's place meanwhile, opening fails.
    UniqueFd sub(openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!sub) return false;
    bool emptied = EmptyDirectory(sub.Get());
    return emptied && (unlinkat(dirFd, name, AT_REMOVEDIR) == 0 || errno == ENOENT);
}

bool TreeRemover::Remove(const std::string& path) {
    return RemoveAt(AT_FDCWD, path.c_str());
}

}  // namespace brivane::document
