#pragma once

// A ZIP writer for tests that controls every byte that matters: flags, names,
// CRCs, declared sizes, ZIP64 extras, data descriptors. Lets tests build the
// odd and hostile archives that real tools refuse to write.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivane::test {

struct ZipEntry {
    enum class Kind { File, Directory, Symlink };

    std::string name;         // raw name bytes as written
    std::string data;         // uncompressed content (a symlink's target)
    Kind kind = Kind::File;
    std::uint16_t method = 0; // 0 stored, 8 deflate; any other id: data written as is
    bool utf8Flag = true;     // general-purpose bit 11
    bool encrypted = false;   // general-purpose bit 0 (data left as is)
    bool dataDescriptor = false;  // bit 3: sizes and CRC after the data
    bool zip64 = false;       // sizes in a ZIP64 extra field, 0xFFFFFFFF in the headers
    std::optional<std::uint32_t> crc = std::nullopt;         // override the CRC-32 written
    std::optional<std::uint64_t> declaredSize = std::nullopt;  // override the uncompressed size written
    std::optional<std::uint32_t> unixMode = std::nullopt;    // override st_mode in the external attributes
};

class ZipWriter {
public:
    // Bytes before the first local header (a self-extractor stub, say).
    ZipWriter& Prepend(std::string bytes);
    ZipWriter& Add(ZipEntry entry);
    ZipWriter& File(std::string name, std::string data, std::uint16_t method = 0);
    ZipWriter& Directory(std::string name);
    ZipWriter& Symlink(std::string name, std::string target);

    std::string Bytes() const;
    void WriteTo(const std::string& path) const;

private:
    std::string prefix_;
    std::vector<ZipEntry> entries_;
};

std::string Deflate(std::string_view data);
std::uint32_t Crc32(std::string_view data);

}  // namespace brivane::test
