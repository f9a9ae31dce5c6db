#pragma once

#include "base/GObjectPtr.h"

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brivane::document {

// An input stream over length bytes of a file from offset: a stored entry's
// data read where it lies in the archive, neither unpacked nor read whole.
// Seekable within the slice, so poppler can jump around in a stored PDF; a
// seek past the end is allowed and reads nothing there, as in a file.
class FileSliceStream {
public:
    // The whole slice must have this CRC-32. The last piece is withheld when
    // it has not (the read fails instead) and mismatched runs, on the reading
    // thread. A checked slice is read in order only: it cannot seek.
    struct Check {
        std::uint32_t crc = 0;
        std::function<void()> mismatched;
    };

    // Absent (null) when the file cannot be opened as a regular file without
    // following a link.
    static RefPtr<GInputStream> Open(const std::string& path, std::uint64_t offset, std::uint64_t length,
                                     std::optional<Check> check = std::nullopt);
    // Over a file already open; the stream reads through a descriptor of its
    // own, so fd may be closed first. Absent when fd is not a regular file.
    static RefPtr<GInputStream> Open(int fd, std::uint64_t offset, std::uint64_t length,
                                     std::optional<Check> check = std::nullopt);
};

}  // namespace brivane::document
