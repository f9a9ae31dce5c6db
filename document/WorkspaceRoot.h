#pragma once

#include <optional>
#include <string>

namespace brivane::document {

// The per-user directory that holds every workspace: <tmp>/brivane-reader-<uid>,
// mode 0700. /tmp is shared by all users, so a root that another user could
// have planted, or that others can read or write, is never used.
class WorkspaceRoot {
public:
    // Path of the root when it is absent or safe to use; absent (after one
    // diagnostic line) when it exists but is unsafe. Creates nothing.
    static std::optional<std::string> Locate();
    // Like Locate(), but creates the root when missing; absent when the root
    // is unsafe or cannot be created.
    static std::optional<std::string> Ensure();

    // True when name can be one path component (a workspace directory name).
    static bool IsSingleComponent(const std::string& name);
};

}  // namespace brivane::document
