#include "base/TreeRemover.h"

#include "base/DirectoryEntries.h"
#include "base/Unique.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace brivane {

namespace {

bool EmptyDirectory(int fd) {
    auto names = DirectoryEntries::List(fd);
    if (!names) return false;
    bool ok = true;
    for (const std::string& name : *names) ok = TreeRemover::RemoveAt(fd, name.c_str()) && ok;
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

bool TreeRemover::Remove(const std::string& path) { return RemoveAt(AT_FDCWD, path.c_str()); }

}  // namespace brivane
