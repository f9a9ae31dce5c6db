#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brivane::web {

// How far unpacking has come: the bytes of regular files under the data
// directory against the uncompressed sizes the archive declares.
struct UnpackProgress {
    std::uint64_t done = 0;
    std::uint64_t total = 0;

    // Absent when the archive cannot be read. Cheap enough to ask a few
    // times a second while the unpacker writes.
    static std::optional<UnpackProgress> Measure(const std::string& archiveUrl, const std::string& dataDirectory);

    // "Unpacking… 120 of 270 MB", for the opening overlay.
    static std::string Describe(const UnpackProgress& progress);
};

}  // namespace brivane::web
