#pragma once

#include <string>
#include <string_view>

namespace brivane::test {

// A fresh directory under /tmp, removed with everything in it when the
// object goes away (permissions a test took away are given back first).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path of name inside the directory.
    std::string operator/(std::string_view name) const;
    // Writes bytes to name (parents created) and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

// The file URL of an absolute path, as the program passes it around.
std::string FileUrl(const std::string& path);

}  // namespace brivane::test
