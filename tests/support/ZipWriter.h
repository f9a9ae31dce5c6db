#pragma once

// A ZIP writer for tests that controls every byte that matters: flags, names,
// CRCs, declared sizes, ZIP64 extras, data descriptors, prepended data, so
// tests can build the odd and hostile archives that real tools refuse to write.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivane::test {

struct ZipEntry {
    enum class Kind { File, Directory, Symlink };

    std::string name = {};  // raw name bytes as written
    std::string data = {};  // uncompressed content (a symlink's target)
    Kind kind = Kind::File;
    std::uint16_t method = 0;                         // 0 stored, 8 deflate; any other id: data written as is
    bool utf8Flag = true;                             // general-purpose bit 11 (off: code page 437 name)
    bool encrypted = false;                           // general-purpose bit 0 (data left as is)
    bool dataDescriptor = false;                      // bit 3: sizes and CRC after the data
    bool zip64 = false;                               // sizes in a ZIP64 extra field, 0xFFFFFFFF in the headers
    bool zip64Offset = false;                         // the central header's local header offset there too
    std::optional<std::uint32_t> crc = std::nullopt;  // override the CRC-32 written
    std::optional<std::uint64_t> declaredSize = std::nullopt;  // override the uncompressed size written
    std::optional<std::uint32_t> unixMode = std::nullopt;      // override st_mode in the external attributes
    std::string extra = {};                                    // further extra fields, in both headers
};

// An Info-ZIP Unicode Path extra field (0x7075) that renames headerName.
std::string UnicodePathField(const std::string& headerName, const std::string& unicodeName);
// A little-endian field of width bytes, for patching headers by hand.
std::string LittleEndian(std::uint64_t value, int width);
std::uint32_t Crc32(std::string_view bytes);

class ZipWriter {
public:
    ZipWriter& Prepend(std::string bytes) {
        prefix_ += bytes;
        return *this;
    }
    ZipWriter& Add(ZipEntry entry) {
        entries_.push_back(std::move(entry));
        return *this;
    }
    ZipWriter& File(std::string name, std::string data, std::uint16_t method = 0) {
        return Add({.name = std::move(name), .data = std::move(data), .method = method});
    }

    std::string Bytes() const;
    void WriteTo(const std::string& path) const;

private:
    std::string prefix_;
    std::vector<ZipEntry> entries_;
};

}  // namespace brivane::test
