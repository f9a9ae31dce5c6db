#pragma once

#include "base/Result.h"
#include "base/Unique.h"

#include <zip.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brivane::document {

// Opens an archive for libzip over a file descriptor with one large
// read-ahead buffer: libzip itself reads in small pieces through stdio,
// seeking before most of them, which costs tens of thousands of system calls
// on a large flipbook. Each thread opens its own.
class ArchiveSource {
public:
    // The archive, or why it cannot be read. The descriptor is only read
    // (with pread), never moved or closed.
    static Result<UniqueZip> Open(int fd, size_t bufferSize = BUFFER_SIZE);

    static constexpr size_t BUFFER_SIZE = 1 << 20;
};

}  // namespace brivane::document
