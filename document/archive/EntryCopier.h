#pragma once

#include "document/archive/UnpackFailure.h"

#include <zip.h>

#include <cstdint>
#include <functional>
#include <optional>
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

    // Absent on success, else what went wrong (without the entry's name).
    std::optional<UnpackFailure> ToFile(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize, int fd);
    // Copies size bytes stored at offset in the archive itself, checked
    // against crc: what a reader was served from there is then exactly what
    // lands on the disk, whatever libzip makes of the headers.
    std::optional<UnpackFailure> StoredToFile(int archiveFd, std::uint64_t offset, std::uint64_t size,
                                              std::uint32_t crc, int fd);
    // Reads a small entry (a link target) whole; absent on failure.
    std::optional<std::string> ToString(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize,
                                        std::optional<UnpackFailure>& failure);

private:
    std::optional<UnpackFailure> WriteOut(int fd, const char* data, size_t size);
    template <typename Sink>
    std::optional<UnpackFailure> Pump(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize, Sink&& sink);

    std::vector<char> buffer_;
};

}  // namespace brivane::document
