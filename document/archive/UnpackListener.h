#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivane::document {

// One file of the archive as it lies in the archive itself, so a reader can
// be served from there while the unpacker is still writing it.
struct ArchivedFile {
    std::string path;  // relative to the destination, components joined by "/"
    std::uint64_t size = 0;
    // Where the entry's bytes lie in the archive when they are stored as they
    // are (no compression, no encryption); absent otherwise.
    std::optional<std::uint64_t> storedOffset;
    // The CRC-32 the entry's bytes must have; whoever reads them from the
    // archive checks what they got against it.
    std::uint32_t crc = 0;
};

// Told how an unpacking goes, from the unpacking threads.
class UnpackListener {
public:
    virtual ~UnpackListener() = default;
    // After every entry has been checked and before the first write; only
    // when the entries can be written in any order (no name claims another's
    // place). Regular files only.
    virtual void Surveyed(const std::vector<ArchivedFile>& files) = 0;
    // One file entry is completely written and its CRC-32 checked; a stored
    // one was copied from storedOffset, so what was read from there is
    // checked too.
    virtual void Written(const std::string& path) = 0;
    // Before the first write: the bytes of every file to be written.
    virtual void Planned(std::uint64_t /*bytes*/) {}
    // Some more bytes of some file have been written.
    virtual void Copied(std::uint64_t /*bytes*/) {}
    // Asked between pieces written: true stops the unpacking soon after.
    virtual bool Cancelled() const { return false; }
};

}  // namespace brivane::document
