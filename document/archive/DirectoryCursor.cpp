#include "document/archive/DirectoryCursor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace brivane::document {

int OpenOrMakeDirectory(int dirFd, const std::string& name) {
    if (mkdirat(dirFd, name.c_str(), 0755) != 0 && errno != EEXIST) return -1;
    return openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int DirectoryCursor::Enter(const std::vector<std::string>& components, size_t count) {
    if (count == 0) return rootFd_;
    if (fd_ && path_.size() == count && std::equal(path_.begin(), path_.end(), components.begin())) return fd_.Get();
    fd_.Reset();
    path_.clear();
    UniqueFd current;
    for (size_t i = 0; i < count; ++i) {
        int next = OpenOrMakeDirectory(current ? current.Get() : rootFd_, components[i]);
        if (next < 0) return -1;
        current.Reset(next);
    }
    path_.assign(components.begin(), components.begin() + static_cast<long>(count));
    fd_ = std::move(current);
    return fd_.Get();
}

}  // namespace brivane::document
