#include "document/WorkspaceRoot.h"

#include "base/Diagnostics.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace brivane::document {

namespace {

std::string RootPath() { return std::string(g_get_tmp_dir()) + "/brivane-reader-" + std::to_string(geteuid()); }

enum class State { Missing, Safe, Unsafe };

State Inspect(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? State::Missing : State::Unsafe;
    bool safe = S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
    return safe ? State::Safe : State::Unsafe;
}

void Refuse(const std::string& path) { Diagnostics::Line("Unsafe workspace root: " + path); }

}  // namespace

std::optional<std::string> WorkspaceRoot::Locate() {
    std::string path = RootPath();
    if (Inspect(path) == State::Unsafe) {
        Refuse(path);
        return std::nullopt;
    }
    return path;
}

std::optional<std::string> WorkspaceRoot::Ensure() {
    std::string path = RootPath();
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    // Checked after the mkdir: whatever is there now, ours or planted, is judged.
    if (Inspect(path) != State::Safe) {
        Refuse(path);
        return std::nullopt;
    }
    return path;
}

bool WorkspaceRoot::IsSingleComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= NAME_MAX &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace brivane::document
