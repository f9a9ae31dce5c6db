#include "base/TreeCopier.h"

#include "base/DirectoryEntries.h"
#include "base/Unique.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace brivane {

namespace {

bool CopyItem(int srcDir, int dstDir, const char* name);

bool CopyBytes(int in, int out) {
    while (true) {
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0) return true;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
        break;
    }
    std::vector<char> buffer(1 << 16);
    while (true) {
        ssize_t n = read(in, buffer.data(), buffer.size());
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR) return false;
            if (w > 0) done += w;
        }
    }
}

bool CopyDirectoryContents(int src, int dst) {
    auto names = DirectoryEntries::List(src);
    if (!names) return false;
    for (const std::string& name : *names) {
        if (!CopyItem(src, dst, name.c_str())) return false;
    }
    return true;
}

bool CopyItem(int srcDir, int dstDir, const char* name) {
    struct stat st;
    if (fstatat(srcDir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    mode_t mode = st.st_mode & 0777;
    if (S_ISLNK(st.st_mode)) {
        char target[PATH_MAX];
        ssize_t n = readlinkat(srcDir, name, target, sizeof target - 1);
        if (n < 0) return false;
        target[n] = '\0';
        return symlinkat(target, dstDir, name) == 0;
    }
    if (S_ISDIR(st.st_mode)) {
        // Owner access is kept so the copy can be filled and later removed.
        if (mkdirat(dstDir, name, mode | 0700) != 0) return false;
        UniqueFd src(openat(srcDir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        UniqueFd dst(openat(dstDir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        return src && dst && CopyDirectoryContents(src.Get(), dst.Get());
    }
    if (!S_ISREG(st.st_mode)) return false;
    UniqueFd in(openat(srcDir, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in) return false;
    UniqueFd out(openat(dstDir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode | 0600));
    return out && CopyBytes(in.Get(), out.Get());
}

}  // namespace

bool TreeCopier::Copy(const std::string& source, const std::string& destination) {
    std::string::size_type slash = destination.find_last_of('/');
    std::string parent = slash == 0 ? "/" : destination.substr(0, slash);
    std::string name = destination.substr(slash + 1);
    if (slash == std::string::npos || name.empty()) return false;
    UniqueFd src(open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    UniqueFd dstParent(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!src || !dstParent) return false;
    struct stat st;
    if (fstat(src.Get(), &st) != 0) return false;
    if (mkdirat(dstParent.Get(), name.c_str(), (st.st_mode & 0777) | 0700) != 0) return false;
    UniqueFd dst(openat(dstParent.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return dst && CopyDirectoryContents(src.Get(), dst.Get());
}

}  // namespace brivane
