#include "document/WorkspaceClaim.h"

#include "document/WorkspaceRoot.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <cerrno>

namespace brivane::document {

namespace {

// Small files of our own: the identity text, the completeness marker.
std::optional<std::string> ReadSmall(int dirFd, const char* name) {
    UniqueFd in(openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!in || fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 65536) return std::nullopt;
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = read(in.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        done += static_cast<std::size_t>(n);
    }
    return text;
}

// Written aside and renamed, so a reader never sees half of it.
bool WriteSmall(int dirFd, const char* name, const std::string& text) {
    const std::string aside = std::string(name) + ".new";
    UniqueFd out(openat(dirFd, aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(out.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return renameat(dirFd, aside.c_str(), dirFd, name) == 0;
}

UniqueFd OpenDirectory(const std::string& path) {
    return UniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

UniqueFd OpenLock(int dirFd, const char* name) {
    return UniqueFd(openat(dirFd, name, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
}

bool TryLock(int fd, int how) {
    while (flock(fd, how | LOCK_NB) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// How a candidate stands for the identity we look for.
enum class Standing { Missing, Ours, Free, Taken, Foreign };

Standing Judge(const std::string& path, const std::string& identity) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Standing::Missing : Standing::Foreign;
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return Standing::Foreign;
    UniqueFd dir = OpenDirectory(path);
    if (!dir) return Standing::Foreign;
    if (ReadSmall(dir.Get(), WorkspaceClaim::IDENTITY_FILE) == identity) return Standing::Ours;
    UniqueFd lock = OpenLock(dir.Get(), WorkspaceClaim::LOCK_FILE);
    return lock && TryLock(lock.Get(), LOCK_EX) ? Standing::Free : Standing::Taken;
}

// The first candidate holding this identity, else the first nobody shows.
std::optional<std::string> Choose(const std::string& root, const std::string& name, const std::string& identity) {
    std::optional<std::string> firstFree;
    for (int n = 1; n <= WorkspaceClaim::MAX_CANDIDATES; ++n) {
        const std::string candidate = WorkspaceClaim::CandidateName(name, n);
        if (!WorkspaceRoot::IsSingleComponent(candidate)) break;  // a long name has no room for a number
        const std::string path = root + "/" + candidate;
        const Standing standing = Judge(path, identity);
        if (standing == Standing::Ours) return path;
        if (standing == Standing::Missing) return firstFree ? firstFree : path;
        if (standing == Standing::Free && !firstFree) firstFree = path;
    }
    return firstFree;
}

}  // namespace

WorkspaceClaim::WorkspaceClaim(std::string path, std::string identity, UniqueFd lock, bool shared, bool created)
    : path_(std::move(path)),
      identity_(std::move(identity)),
      lock_(std::move(lock)),
      sharedWithOthers_(shared),
      created_(created) {}

std::optional<std::string> WorkspaceClaim::IdentityOf(const std::string& archivePath, const std::string& metadataText) {
    struct stat st;
    if (stat(archivePath.c_str(), &st) != 0) return std::nullopt;
    const UniqueGChars digest(g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(metadataText.data()), metadataText.size()));
    // Escaped byte by byte: a path that is not UTF-8 still tells files apart.
    const UniqueGChars path(g_strescape(archivePath.c_str(), nullptr));
    const nlohmann::json identity = {
        {"path", path.get()},
        {"size", static_cast<std::uint64_t>(st.st_size)},
        {"mtime", std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec)},
        {"metadata", digest.get()},
    };
    return identity.dump() + "\n";
}

std::string WorkspaceClaim::CandidateName(const std::string& name, int n) {
    return n <= 1 ? name : name + "-" + std::to_string(n);
}

std::optional<std::string> WorkspaceClaim::Predict(const std::string& root, const std::string& name,
                                                   const std::string& identity) {
    return Choose(root, name, identity);
}

UniqueFd WorkspaceClaim::LockRoot(const std::string& root) {
    UniqueFd dir = OpenDirectory(root);
    if (!dir) return {};
    UniqueFd lock = OpenLock(dir.Get(), LOCK_FILE);
    while (lock && flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) return {};
    }
    return lock;
}

std::optional<WorkspaceClaim> WorkspaceClaim::Take(const std::string& root, const std::string& name,
                                                   const std::string& identity) {
    const UniqueFd rootLock = LockRoot(root);
    if (!rootLock) return std::nullopt;
    const auto path = Choose(root, name, identity);
    if (!path) return std::nullopt;
    const bool created = mkdir(path->c_str(), 0700) == 0;
    if (!created && errno != EEXIST) return std::nullopt;
    UniqueFd dir = OpenDirectory(*path);
    if (!dir) return std::nullopt;
    UniqueFd lock = OpenLock(dir.Get(), LOCK_FILE);
    if (!lock) return std::nullopt;
    // Nobody else can be choosing now; only a window showing it holds a lock.
    const bool shared = !TryLock(lock.Get(), LOCK_EX);
    if (ReadSmall(dir.Get(), IDENTITY_FILE) != identity) {
        if (shared) return std::nullopt;  // changed hands since it was chosen: never take it from a reader
        // Another file's unpacking is no good to us: the marker goes first.
        unlinkat(dir.Get(), COMPLETE_FILE, 0);
        if (!WriteSmall(dir.Get(), IDENTITY_FILE, identity)) return std::nullopt;
    }
    // Touched on every use: the clean-up keeps the most recent.
    futimens(lock.Get(), nullptr);
    if (!TryLock(lock.Get(), LOCK_SH)) return std::nullopt;
    return WorkspaceClaim(*path, identity, std::move(lock), shared, created);
}

bool WorkspaceClaim::IsComplete() const {
    UniqueFd dir = OpenDirectory(path_);
    return dir && ReadSmall(dir.Get(), COMPLETE_FILE) == identity_;
}

bool WorkspaceClaim::MarkComplete() const {
    UniqueFd dir = OpenDirectory(path_);
    return dir && WriteSmall(dir.Get(), COMPLETE_FILE, identity_);
}

void WorkspaceClaim::MarkIncomplete() const {
    if (UniqueFd dir = OpenDirectory(path_)) unlinkat(dir.Get(), COMPLETE_FILE, 0);
}

}  // namespace brivane::document
