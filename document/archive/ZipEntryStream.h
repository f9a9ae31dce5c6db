#pragma once

#include "base/GObjectPtr.h"

#include <gio/gio.h>
#include <zip.h>

#include <cstdint>

namespace brivane::document {

// A seekable GInputStream over one stored (uncompressed) archive entry, so
// that a reader can jump around in it without the entry being unpacked or
// read whole. The archive must outlive the stream.
class ZipEntryStream {
public:
    // Null when the entry cannot be opened or does not support seeking.
    static RefPtr<GInputStream> Open(zip_t* archive, std::uint64_t index, std::uint64_t size);
};

}  // namespace brivane::document
