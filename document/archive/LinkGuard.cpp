#include "document/archive/LinkGuard.h"

#include "base/Unique.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace brivane::document {

LinkGuard::Verdict LinkGuard::Check(int rootFd, const std::string& relativePath) {
    open_how how{};
    how.flags = O_PATH | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    // EAGAIN: a concurrent rename made the kernel unsure; it asks for a retry.
    for (int attempt = 0; attempt < 8; ++attempt) {
        long fd = syscall(SYS_openat2, rootFd, relativePath.c_str(), &how, sizeof how);
        if (fd >= 0) {
            UniqueFd closer(static_cast<int>(fd));
            return Verdict::Inside;
        }
        switch (errno) {
        case EAGAIN:
        case EINTR:
            continue;
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
            return Verdict::Unresolved;
        default:
            // EXDEV means an escape; ENOSYS (an old kernel) leaves us unable
            // to tell, and an unverified link is not kept.
            return Verdict::Outside;
        }
    }
    return Verdict::Outside;
}

}  // namespace brivane::document
