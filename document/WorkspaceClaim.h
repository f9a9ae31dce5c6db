#pragma once

#include "base/Unique.h"

#include <optional>
#include <string>

namespace brivane::document {

// One book's hold on its workspace under the root: <name>, or <name>-2, -3…
// when a different file (another path, or the same path changed) already
// shows from there. The workspace records which file it holds beside data/;
// a shared lock on its lock file says a window shows it, in this process or
// another, and keeps the clean-up away.
class WorkspaceClaim {
public:
    static constexpr const char* IDENTITY_FILE = ".brivane-identity";
    static constexpr const char* COMPLETE_FILE = ".brivane-complete";
    static constexpr const char* LOCK_FILE = ".brivane-lock";
    static constexpr const char* UNPACK_LOCK_FILE = ".brivane-unpack";
    static constexpr int MAX_CANDIDATES = 64;

    // What tells this archive from any other: its path, size, modification
    // time and metadata text. Absent when the archive can't be measured.
    static std::optional<std::string> IdentityOf(const std::string& archivePath, const std::string& metadataText);
    // "<name>" for the first, "<name>-<n>" after it.
    static std::string CandidateName(const std::string& name, int n);

    // The workspace Take would choose now, without claiming it.
    static std::optional<std::string> Predict(const std::string& root, const std::string& name,
                                              const std::string& identity);
    // Chooses as Predict does, records the identity and holds the shared
    // lock, all under the root's lock so two openers can't pick alike.
    static std::optional<WorkspaceClaim> Take(const std::string& root, const std::string& name,
                                              const std::string& identity);
    // Held while choosing or sweeping; absent when the root can't be locked.
    static UniqueFd LockRoot(const std::string& root);

    const std::string& Path() const { return path_; }
    // Somebody else showed the workspace when it was taken.
    bool SharedWithOthers() const { return sharedWithOthers_; }
    // The directory was made by this claim.
    bool Created() const { return created_; }
    // Unpacked in full for this very identity.
    bool IsComplete() const;
    bool MarkComplete() const;
    void MarkIncomplete() const;

private:
    WorkspaceClaim(std::string path, std::string identity, UniqueFd lock, bool shared, bool created);

    std::string path_;
    std::string identity_;
    UniqueFd lock_;
    bool sharedWithOthers_ = false;
    bool created_ = false;
};

}  // namespace brivane::document
