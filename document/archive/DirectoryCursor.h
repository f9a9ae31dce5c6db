#pragma once

#include "base/Unique.h"

#include <string>
#include <vector>

namespace brivane::document {

// Walks from a root directory descriptor to a subdirectory one component at
// a time, creating what is missing and never following a symbolic link.
// Remembers the last directory reached, since archives list the entries of
// one directory together.
class DirectoryCursor {
public:
    explicit DirectoryCursor(int rootFd) : rootFd_(rootFd) {}

    // Descriptor of the directory at the first `count` components, or -1
    // with errno set. Valid until the next call.
    int Enter(const std::vector<std::string>& components, size_t count);

private:
    int rootFd_;
    std::vector<std::string> path_;
    UniqueFd fd_;
};

// Opens (creating when missing) the directory `name` inside dirFd; a symbolic
// link or any other non-directory there fails. -1 with errno on failure.
int OpenOrMakeDirectory(int dirFd, const std::string& name);

}  // namespace brivane::document
