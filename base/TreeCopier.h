#pragma once

#include <string>

namespace brivane {

// Copies a directory tree as it is: links are copied as links, never
// followed; permission bits are kept without setuid, setgid or sticky.
class TreeCopier {
public:
    // The destination must not exist yet. False on the first failure; what
    // was copied until then stays.
    static bool Copy(const std::string& source, const std::string& destination);
};

}  // namespace brivane
