#pragma once

#include "base/Result.h"

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
    // Bit 11 set: the bytes must be UTF-8; otherwise they are code page 437.
    static std::optional<std::string> Decode(const std::string& raw, std::uint16_t flags);

    struct Record {
        std::string rawName;
        std::string extra;
        std::uint16_t flags = 0;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t size = 0;  // uncompressed
        // Absent when the header defers it, or a size, to a ZIP64 field that
        // does not hold it.
        std::optional<std::uint64_t> localHeaderOffset;

        bool operator==(const Record&) const = default;
    };
    // Every header of the central directory. Fails when none can be read, or
    // when the file ends in more than one end record and they lead to
    // directories that differ in any entry, header offset included. A reader
    // that takes another end record than we do must never find other bytes
    // under the same name.
    static Result<std::vector<Record>> Read(int fd);
    // The headers of Read, failing unless they are the entries libzip reads
    // for `archive`, index by index: name, sizes, CRC-32 and method.
    static Result<std::vector<Record>> Matching(int fd, zip_t* archive);
    // Decoded names in central-directory order; absent for a name whose bytes
    // are not valid UTF-8 although the entry says they are.
    static std::vector<std::optional<std::string>> Names(const std::vector<Record>& records);
};

}  // namespace brivane::document
