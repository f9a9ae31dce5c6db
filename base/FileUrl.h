#pragma once

#include <optional>
#include <string>

namespace brivane {

// Local path of a file URL; absent for other schemes, a host other than
// localhost, or a malformed URL.
std::optional<std::string> PathFromFileUrl(const std::string& url);

// File URL of an absolute local path, escaped as g_filename_to_uri() does;
// absent for a relative path.
std::optional<std::string> FileUrlFromPath(const std::string& path);

// The entry called name in the directory at directoryUrl, with or without its
// trailing slash.
std::string JoinFileUrl(const std::string& directoryUrl, const std::string& name);

}  // namespace brivane
