#pragma once

#include "base/Result.h"
#include "document/archive/UnpackFailure.h"

#include <zip.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brivane::document {

// Copies one entry's uncompressed content into an open file through a fixed
// buffer, refusing more (or fewer) bytes than declared and reading on until
// libzip has had its say on the CRC-32.
class EntryCopier {
public:
    explicit EntryCopier(size_t bufferSize = 1 << 20) : buffer_(bufferSize) {}

    // Told of each piece written by ToFile.
    std::function<void(std::uint64_t bytes)> copied;
    // Asked before each piece is read: true gives up the entry.
    std::function<bool()> cancelled;

    // A failure says what went wrong, without the entry's name.
    Result<void, UnpackFailure> ToFile(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize, int fd);
    // Copies size bytes stored at offset in the archive itself, checked
    // against crc: what a reader was served from there is then exactly what
    // lands on the disk, whatever libzip makes of the headers.
    Result<void, UnpackFailure> StoredToFile(int archiveFd, std::uint64_t offset, std::uint64_t size, std::uint32_t crc,
                                             int fd);
    // Reads a small entry (a link target) whole.
    Result<std::string, UnpackFailure> ToString(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize);

private:
    Result<void, UnpackFailure> WriteOut(int fd, const char* data, size_t size);
    template <typename Sink>
    Result<void, UnpackFailure> Pump(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize, Sink&& sink);

    std::vector<char> buffer_;
};

}  // namespace brivane::document
