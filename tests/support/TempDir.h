#pragma once

#include "base/FileUrl.h"
#include "base/Unique.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brivane::test {

inline void Write(const std::string& path, std::string_view bytes) {
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

inline std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh directory under the temporary directory, removed with everything in
// it when the object goes away.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brivane-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(std::string_view name) const { return (std::filesystem::path(path_) / name).string(); }
    // Writes bytes to name (parents created) and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::string target = *this / name;
        std::filesystem::create_directories(std::filesystem::path(target).parent_path());
        test::Write(target, bytes);
        return target;
    }

private:
    std::string path_;
};

// The file URL of an absolute path, as the platform forms it.
inline std::string FileUrl(const std::string& path) { return FileUrlFromPath(path).value(); }

}  // namespace brivane::test
