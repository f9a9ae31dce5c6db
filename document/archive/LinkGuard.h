#pragma once

#include <string>

namespace brivane::document {

// Judges a symbolic link by what is really on disk, including links built
// from several others: does following it stay beneath the root directory?
class LinkGuard {
public:
    enum class Verdict {
        Inside,      // resolves to an item beneath the root
        Unresolved,  // leads nowhere (missing item, loop): nothing can be reached
        Outside,     // escapes the root, or cannot be verified
    };

    static Verdict Check(int rootFd, const std::string& relativePath);
};

}  // namespace brivane::document
