#include "TreeSnapshot.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace brivane::test {

namespace fs = std::filesystem;

std::map<std::string, std::string> SnapshotTree(const std::string& root, const std::string& except) {
    std::map<std::string, std::string> snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string path = it->path().string();
        if (!except.empty() && (path == except || path.rfind(except + "/", 0) == 0)) {
            if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
            continue;
        }
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) continue;
        std::ostringstream value;
        value << std::oct << st.st_mode << ' ';
        if (S_ISLNK(st.st_mode)) {
            value << fs::read_symlink(path, ec).string();
        } else if (S_ISREG(st.st_mode)) {
            std::ifstream in(path, std::ios::binary);
            value << in.rdbuf();
        }
        snapshot[path] = value.str();
    }
    return snapshot;
}

std::vector<std::string> LinksLeadingOutside(const std::string& root) {
    std::vector<std::string> escaping;
    std::error_code ec;
    fs::path base = fs::canonical(root, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink()) continue;
        std::error_code resolveError;
        fs::path target = fs::weakly_canonical(it->path(), resolveError);
        auto rel = target.lexically_relative(base);
        if (resolveError || rel.empty() || *rel.begin() == "..") escaping.push_back(it->path().string());
    }
    return escaping;
}

}  // namespace brivane::test
