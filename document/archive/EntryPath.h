#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivane::document {

// An archive entry name that is safe to recreate under a destination
// directory: relative, made of plain components, printable UTF-8.
class EntryPath {
public:
    // Absent for an empty, absolute or drive-letter name, a ".." component,
    // invalid UTF-8 or a control character. "." and empty components are
    // dropped; a directory entry may be left with none (the destination).
    static std::optional<EntryPath> Parse(std::string_view name);

    // True when a link at this path with the given target stays inside the
    // destination, judged on the text alone (what is on disk is checked
    // separately).
    bool LinkTargetStaysInside(std::string_view target) const;

    const std::vector<std::string>& Components() const { return components_; }
    bool HasTrailingSlash() const { return trailingSlash_; }
    // The path without a trailing slash, components joined by "/".
    std::string Joined() const;

private:
    std::vector<std::string> components_;
    bool trailingSlash_ = false;
};

// Printable UTF-8 without C0 or C1 control characters (NUL included).
bool IsPrintableUtf8(std::string_view text);

}  // namespace brivane::document
