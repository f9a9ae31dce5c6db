#include "TempDir.h"

#include "Unique.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace brivane::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "brivane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    // Directories that were unreadable were skipped above; open them and retry.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (int pass = 0; pass < 3 && fs::exists(path_, ec); ++pass) {
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        ec.clear();
        fs::remove_all(path_, ec);
    }
}

std::string TempDir::operator/(std::string_view name) const { return (fs::path(path_) / name).string(); }

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
    const fs::path target = fs::path(path_) / name;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + target.string());
    return target.string();
}

std::string FileUrl(const std::string& path) {
    UniqueGChars uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    if (!uri) throw std::runtime_error("no file URL for " + path);
    return uri.get();
}

}  // namespace brivane::test
