#pragma once

#include <string>

namespace brivane {

// Removes an item with its whole tree without following any symbolic link:
// a link is removed, never what it points to.
class TreeRemover {
public:
    // True when nothing is left at path (including when nothing was there).
    static bool Remove(const std::string& path);
    // Removes the item `name` inside the directory dirFd.
    static bool RemoveAt(int dirFd, const char* name);
};

}  // namespace brivane
