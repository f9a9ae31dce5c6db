#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivane {

// Names in an open directory, "." and ".." left out. Read whole before the
// caller changes the directory, so removal or copying can't skip entries.
class DirectoryEntries {
public:
    static std::optional<std::vector<std::string>> List(int dirFd);
};

}  // namespace brivane
