#include "NewWindowPolicy.h"

#include "Unique.h"

#include <gio/gio.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace brivane::web {

namespace {

std::string Scheme(const std::string& address) {
    UniqueGChars scheme(g_uri_parse_scheme(address.c_str()));
    if (!scheme) return {};
    std::string text = scheme.get();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return g_ascii_tolower(c); });
    return text;
}

std::optional<std::filesystem::path> LocalPath(const std::string& fileUrl) {
    UniqueGChars path(g_filename_from_uri(fileUrl.c_str(), nullptr, nullptr));
    if (!path) return std::nullopt;
    std::error_code error;
    auto resolved = std::filesystem::weakly_canonical(path.get(), error);
    if (error) return std::nullopt;
    if (!resolved.has_filename()) resolved = resolved.parent_path();
    return resolved;
}

bool IsInside(const std::filesystem::path& path, const std::filesystem::path& root) {
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty()) continue;  // the trailing slash of a directory
        if (p == path.end() || *p != *r) return false;
    }
    return true;
}

}  // namespace

std::string NewWindowPolicy::Rewrite(const std::string& requested, const std::string& workspaceText) {
    if (workspaceText.empty()) return requested;
    std::string result;
    std::size_t from = 0;
    for (std::size_t at; (at = requested.find(workspaceText, from)) != std::string::npos;
         from = at + workspaceText.size()) {
        result.append(requested, from, at - from);
        result += "https://";
    }
    result.append(requested, from);
    return result;
}

bool NewWindowPolicy::IsWebOrMail(const std::string& address) {
    const std::string scheme = Scheme(address);
    if (scheme == "mailto") return address.size() > 7;
    if (scheme != "http" && scheme != "https") return false;
    return g_uri_is_valid(address.c_str(), G_URI_FLAGS_NONE, nullptr);
}

bool NewWindowPolicy::MayHandToSystem(const std::string& address, const std::optional<std::string>& workspaceUrl) {
    if (IsWebOrMail(address)) return true;
    if (Scheme(address) != "file" || !workspaceUrl) return false;
    const auto path = LocalPath(address);
    const auto root = LocalPath(*workspaceUrl);
    return path && root && IsInside(*path, *root) && *path != *root;
}

}  // namespace brivane::web
