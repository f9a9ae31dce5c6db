#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brivane::document {

// Removes our own workspaces that no window shows, beyond what is kept for
// reading again soon. Only directories under the root that carry our
// identity file are ever considered; one a window holds is never touched.
class WorkspaceSweeper {
public:
    struct Budget {
        std::size_t newest = 3;         // the most recently opened books kept
        std::uint64_t freeDivisor = 4;  // and together no more than free space / this
    };
    // Names of the workspaces removed.
    static std::vector<std::string> Sweep(const std::string& root, const Budget& budget);

    static constexpr const char* REMOVING_PREFIX = ".removing-";
};

}  // namespace brivane::document
