#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace brivane::web {

// One piece of work on a workspace directory at a time, across windows: two
// windows opening the same flipbook must not remove and copy into the
// directory the other is writing. Whoever comes second waits.
class WorkspaceLock {
public:
    // Blocks until no other holder of the same workspace is left.
    explicit WorkspaceLock(const std::string& workspaceUrl);
    ~WorkspaceLock();
    WorkspaceLock(const WorkspaceLock&) = delete;
    WorkspaceLock& operator=(const WorkspaceLock&) = delete;

    // A reader page is shown from the workspace until the returned handle goes:
    // while one is, its reader core is reused instead of installed afresh.
    std::shared_ptr<void> MarkInUse();
    bool InUse() const;

private:
    std::string key_;
    std::shared_ptr<std::mutex> mutex_;
    std::unique_lock<std::mutex> held_;
};

}  // namespace brivane::web
