#pragma once

#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivane::document {

// The entry names of a ZIP archive as its central directory headers hold
// them. libzip replaces a name with the one in an Info-ZIP Unicode Path extra
// field, which other tools ignore, so a name could differ between us and
// them: we read the header bytes ourselves and decode them by bit 11 alone.
class CentralDirectory {
public:
    // Decoded names in central-directory order; absent for a name whose bytes
    // are not valid UTF-8 although the entry says they are. Absent as a whole
    // when the directory cannot be read or is not the one libzip reads for
    // `archive` (same count and CRC-32 for every entry).
    static std::optional<std::vector<std::optional<std::string>>> Names(int fd, zip_t* archive);

    // Bit 11 set: the bytes must be UTF-8; otherwise they are code page 437.
    static std::optional<std::string> Decode(const std::string& raw, std::uint16_t flags);

    struct Record {
        std::string rawName;
        std::uint16_t flags = 0;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t size = 0;  // uncompressed
        // Absent when the header defers it, or a size, to a ZIP64 field that
        // does not hold it.
        std::optional<std::uint64_t> localHeaderOffset;
    };
    // Every header of the directory that the end record at the end of the
    // file points to, or absent.
    static std::optional<std::vector<Record>> Read(int fd);
    // The headers of Read, absent unless they are the entries libzip reads
    // for `archive`, index by index.
    static std::optional<std::vector<Record>> Matching(int fd, zip_t* archive);
    static std::vector<std::optional<std::string>> Names(const std::vector<Record>& records);
};

}  // namespace brivane::document
