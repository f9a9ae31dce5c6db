#pragma once

#include "GObjectPtr.h"

#include <gio/gio.h>

#include <cstdint>
#include <string>

namespace brivane::web {

// An input stream over length bytes of a file from offset, so a ranged
// answer streams from disk instead of being read into memory first.
class FileSliceStream {
public:
    // Absent (null) when the file cannot be opened as a regular file without
    // following a link.
    static RefPtr<GInputStream> Open(const std::string& path, std::uint64_t offset, std::uint64_t length);
};

}  // namespace brivane::web
