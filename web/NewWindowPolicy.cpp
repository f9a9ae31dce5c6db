#include "web/NewWindowPolicy.h"

#include "web/MailtoAddress.h"

#include "base/Unique.h"

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

bool NewWindowPolicy::IsBookPdf(const std::string& address, const std::optional<std::string>& workspaceUrl) {
    if (Scheme(address) != "file" || !workspaceUrl) return false;
    const auto path = LocalPath(address);
    const auto root = LocalPath(*workspaceUrl);
    if (!path || !root) return false;
    // The resolved address must be the PDF itself, not a link that leads elsewhere.
    const std::filesystem::path pdf = *root / "data" / "flipbook.pdf";
    std::error_code error;
    return *path == pdf && std::filesystem::is_regular_file(std::filesystem::symlink_status(pdf, error));
}

std::optional<std::string> NewWindowPolicy::ForSystem(const std::string& address,
                                                      const std::optional<std::string>& workspaceUrl) {
    if (IsWebOrMail(address)) {
        if (Scheme(address) == "mailto") return MailtoAddress::WithoutAttachments(address);
        return address;
    }
    if (IsBookPdf(address, workspaceUrl)) return address;
    return std::nullopt;
}

}  // namespace brivane::web
