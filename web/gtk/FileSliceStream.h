#pragma once

#include "base/GObjectPtr.h"

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brivane::web {

// An input stream over length bytes of a file from offset, so a ranged
// answer streams from disk instead of being read into memory first.
class FileSliceStream {
public:
    // The whole slice must have this CRC-32. The last piece is withheld when
    // it has not (the read fails instead) and mismatched runs, on the reading
    // thread.
    struct Check {
        std::uint32_t crc = 0;
        std::function<void()> mismatched;
    };

    // Absent (null) when the file cannot be opened as a regular file without
    // following a link.
    static RefPtr<GInputStream> Open(const std::string& path, std::uint64_t offset, std::uint64_t length,
                                     std::optional<Check> check = std::nullopt);
};

}  // namespace brivane::web
