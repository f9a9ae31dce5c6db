#include "document/DataDirectory.h"

#include "base/FileUrl.h"

#include <filesystem>
#include <system_error>

namespace brivane::document {

namespace {
std::filesystem::path ShareDirectory() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::path(BRIVANE_INSTALL_DATADIR);
    return exe.parent_path().parent_path() / "share";
}
}  // namespace

std::string DataDirectory::Path() { return (ShareDirectory() / "brivane-reader" / "data").string(); }

std::string DataDirectory::StartPageUrl() {
    const auto page = std::filesystem::path(Path()) / "main.html";
    return FileUrlFromPath(page.string()).value_or(std::string());
}

std::string DataDirectory::IconsPath() { return (ShareDirectory() / "icons").string(); }

}  // namespace brivane::document
