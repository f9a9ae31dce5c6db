#include "base/FileUrl.h"

#include "base/Unique.h"

namespace brivane {

// GLib's reasons for a failed conversion are not needed: absent says enough.
std::optional<std::string> PathFromFileUrl(const std::string& url) {
    UniqueGChars path(g_filename_from_uri(url.c_str(), nullptr, nullptr));
    if (!path) return std::nullopt;
    return std::string(path.get());
}

std::optional<std::string> FileUrlFromPath(const std::string& path) {
    UniqueGChars uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    if (!uri) return std::nullopt;
    return std::string(uri.get());
}

std::string JoinFileUrl(const std::string& directoryUrl, const std::string& name) {
    return directoryUrl.ends_with('/') ? directoryUrl + name : directoryUrl + "/" + name;
}

}  // namespace brivane
