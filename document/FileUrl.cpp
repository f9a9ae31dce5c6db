#include "FileUrl.h"

#include "Unique.h"

namespace brivane::document {

std::optional<std::string> PathFromFileUrl(const std::string& url) {
    GError* error = nullptr;
    UniqueGChars path(g_filename_from_uri(url.c_str(), nullptr, &error));
    UniqueGError owned(error);
    if (!path) return std::nullopt;
    return std::string(path.get());
}

std::optional<std::string> FileUrlFromPath(const std::string& path) {
    GError* error = nullptr;
    UniqueGChars uri(g_filename_to_uri(path.c_str(), nullptr, &error));
    UniqueGError owned(error);
    if (!uri) return std::nullopt;
    return std::string(uri.get());
}

}  // namespace brivane::document
