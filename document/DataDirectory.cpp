#include "DataDirectory.h"

#include "Unique.h"

#include <glib.h>

#include <filesystem>
#include <system_error>

namespace brivane::web {

namespace {
std::filesystem::path ShareDirectory() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::path(BRIVANE_INSTALL_DATADIR);
    return exe.parent_path().parent_path() / "share";
}
}  // namespace

std::string DataDirectory::Path() { return (ShareDirectory() / "brivane-reader" / "data").string(); }

std::string DataDirectory::StartPageURL() {
    const auto page = std::filesystem::path(Path()) / "main.html";
    UniqueGChars uri(g_filename_to_uri(page.c_str(), nullptr, nullptr));
    return uri ? uri.get() : std::string();
}

std::string DataDirectory::IconsPath() { return (ShareDirectory() / "icons").string(); }

}  // namespace brivane::web
