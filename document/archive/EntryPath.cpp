#include "document/archive/EntryPath.h"

#include <glib.h>

namespace brivane::document {

bool IsPrintableUtf8(std::string_view text) {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return false;
    for (const char* p = text.data(); p < text.data() + text.size(); p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    }
    return true;
}

namespace {

std::vector<std::string_view> SplitSlashes(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t slash = text.find('/', start);
        parts.push_back(text.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos) return parts;
        start = slash + 1;
    }
}

bool IsDriveLetter(std::string_view component) {
    if (component.size() < 2 || component[1] != ':') return false;
    char c = component[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::optional<EntryPath> EntryPath::Parse(std::string_view name) {
    if (name.empty() || name.front() == '/' || !IsPrintableUtf8(name)) return std::nullopt;
    EntryPath path;
    if (name.back() == '/') {
        path.trailingSlash_ = true;
        name.remove_suffix(1);
    }
    // "./a" and "a//b" name a/b, as other unpackers read them.
    for (std::string_view part : SplitSlashes(name)) {
        if (part == "..") return std::nullopt;
        if (part.empty() || part == ".") continue;
        path.components_.emplace_back(part);
    }
    // Only a directory entry may name the destination itself ("./").
    if (path.components_.empty()) return path.trailingSlash_ ? std::optional(path) : std::nullopt;
    if (IsDriveLetter(path.components_.front())) return std::nullopt;
    return path;
}

bool EntryPath::LinkTargetStaysInside(std::string_view target) const {
    if (target.empty() || target.front() == '/' || !IsPrintableUtf8(target)) return false;
    // Depth of the directory that holds the link, below the destination.
    long depth = static_cast<long>(components_.size()) - 1;
    for (std::string_view part : SplitSlashes(target)) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (--depth < 0) return false;
        } else {
            ++depth;
        }
    }
    return true;
}

std::string EntryPath::Joined() const {
    std::string joined;
    for (const std::string& c : components_) {
        if (!joined.empty()) joined += '/';
        joined += c;
    }
    return joined;
}

}  // namespace brivane::document
