#pragma once

#include <string>

namespace brivane::fuzz {

// A private scratch directory for one fuzzing process, also used as TMPDIR
// so workspaces land in it; diagnostic lines are swallowed.
class FuzzScratch {
public:
    static const FuzzScratch& Get();
    const std::string& Path() const { return path_; }
    // Writes bytes to a file in the scratch directory; returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes) const;

private:
    FuzzScratch();
    std::string path_;
};

}  // namespace brivane::fuzz
