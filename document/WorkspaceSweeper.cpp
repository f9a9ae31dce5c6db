#include "document/WorkspaceSweeper.h"

#include "base/DirectoryEntries.h"
#include "base/TreeRemover.h"
#include "base/Unique.h"
#include "document/WorkspaceClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <map>
#include <system_error>

namespace brivane::document {

namespace {

struct Idle {
    std::string name;
    UniqueFd lock;  // held exclusively until it is decided
    struct timespec used {};
};

bool Newer(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Disk blocks, not lengths: a sparse file costs what it occupies.
std::uint64_t Occupied(const std::string& path) {
    std::uint64_t bytes = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        struct stat st;
        if (lstat(it->path().c_str(), &st) == 0) bytes += static_cast<std::uint64_t>(st.st_blocks) * 512;
    }
    return bytes;
}

// A directory of ours: a real directory, our user's, with our identity file.
UniqueFd OpenOurs(int rootFd, const std::string& name) {
    struct stat st;
    if (fstatat(rootFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return {};
    UniqueFd dir(openat(rootFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir || fstatat(dir.Get(), WorkspaceClaim::IDENTITY_FILE, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
        return {};
    return dir;
}

std::string RemovingName() {
    static std::atomic<unsigned> counter{0};
    return std::string(WorkspaceSweeper::REMOVING_PREFIX) + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

std::vector<std::string> WorkspaceSweeper::Sweep(const std::string& root, const Budget& budget) {
    std::vector<std::string> removed, doomed;
    UniqueFd rootFd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!rootFd) return removed;
    // Measured before the root is locked: walking large trees must not keep
    // a book that is being opened waiting.
    std::map<std::string, std::uint64_t> sizes;
    // A listing reads its descriptor to the end: each gets its own.
    UniqueFd firstLook(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (const auto names = firstLook ? DirectoryEntries::List(firstLook.Get()) : std::nullopt) {
        for (const std::string& name : *names)
            if (OpenOurs(rootFd.Get(), name)) sizes[name] = Occupied(root + "/" + name);
    }
    {
        // Nobody chooses a workspace while we decide; the removal itself
        // happens after, under names nobody chooses.
        const UniqueFd rootLock = WorkspaceClaim::LockRoot(root);
        const auto names = DirectoryEntries::List(rootFd.Get());
        if (!rootLock || !names) return removed;
        std::vector<Idle> idle;
        for (const std::string& name : *names) {
            UniqueFd dir = OpenOurs(rootFd.Get(), name);
            if (!dir) continue;
            if (name.starts_with(REMOVING_PREFIX)) {
                doomed.push_back(name);  // left by a clean-up that was cut short
                continue;
            }
            UniqueFd lock(
                openat(dir.Get(), WorkspaceClaim::LOCK_FILE, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
            struct stat st;
            if (!lock || flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 || fstat(lock.Get(), &st) != 0) continue;
            idle.push_back({name, std::move(lock), st.st_mtim});
        }
        std::ranges::sort(idle, [](const Idle& a, const Idle& b) { return Newer(a.used, b.used); });
        struct statvfs disk;
        const std::uint64_t free =
            fstatvfs(rootFd.Get(), &disk) == 0 ? static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize : 0;
        const std::uint64_t allowance = budget.freeDivisor ? free / budget.freeDivisor : free;
        std::size_t kept = 0;
        std::uint64_t keptBytes = 0;
        for (const Idle& candidate : idle) {
            const auto measured = sizes.find(candidate.name);
            const std::uint64_t bytes =
                measured != sizes.end() ? measured->second : Occupied(root + "/" + candidate.name);
            if (kept < budget.newest && keptBytes + bytes <= allowance) {
                ++kept;
                keptBytes += bytes;
                continue;
            }
            const std::string aside = RemovingName();
            if (renameat(rootFd.Get(), candidate.name.c_str(), rootFd.Get(), aside.c_str()) != 0) continue;
            doomed.push_back(aside);
            removed.push_back(candidate.name);
        }
    }
    for (const std::string& name : doomed) TreeRemover::RemoveAt(rootFd.Get(), name.c_str());
    return removed;
}

}  // namespace brivane::document
