#include "CentralDirectory.h"

#include "HeaderFields.h"
#include "Utf8.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>

namespace brivane::document {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kHeaderSignature = 0x02014b50;
constexpr std::size_t kEndSize = 22, kLocatorSize = 20, kZip64EndSize = 56, kHeaderSize = 46;
constexpr std::uint16_t kUtf8Flag = 1u << 11;

constexpr auto ReadAt = ReadHeaderBytes;
constexpr auto Le = LittleEndianField;

constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
constexpr std::uint16_t kZip64FieldId = 0x0001;

// The data of the ZIP64 extended-information field in an extra block.
std::optional<std::string_view> Zip64Field(std::string_view extra) {
    for (std::size_t at = 0; extra.size() - at >= 4;) {
        const std::size_t id = Le(extra, at, 2), length = Le(extra, at + 2, 2);
        if (extra.size() - at - 4 < length) return std::nullopt;
        if (id == kZip64FieldId) return extra.substr(at + 4, length);
        at += 4 + length;
    }
    return std::nullopt;
}

// Replaces each field whose 32 bits are all set with the next value of the
// ZIP64 field, in the order the format gives; false when that field is
// missing or too short to hold them all.
bool Widen(std::string_view extra, std::initializer_list<std::uint64_t*> fields) {
    const auto data = Zip64Field(extra);
    std::size_t at = 0;
    for (std::uint64_t* field : fields) {
        if (*field != kMax32) continue;
        if (!data || data->size() - at < 8) return false;
        *field = Le(*data, at, 8);
        at += 8;
    }
    return true;
}

struct Location {
    std::uint64_t count = 0, size = 0, offset = 0;
};

// Where the directory lies, from the last end record in the file's tail.
std::optional<Location> Locate(int fd, std::uint64_t fileSize) {
    if (fileSize < kEndSize) return std::nullopt;
    // Most archives carry no comment: the end record is the last 22 bytes,
    // and the 64 KiB a comment may take need not be read.
    std::string tail;
    if (!ReadAt(fd, fileSize - kEndSize, kEndSize, tail)) return std::nullopt;
    std::uint64_t tailSize = kEndSize;
    if (Le(tail, 0, 4) != kEndSignature || Le(tail, 20, 2) != 0) {
        tailSize = std::min<std::uint64_t>(fileSize, kEndSize + 0xFFFF);
        if (!ReadAt(fd, fileSize - tailSize, static_cast<std::size_t>(tailSize), tail)) return std::nullopt;
    }
    for (std::size_t at = tail.size() - kEndSize + 1; at-- > 0;) {
        if (Le(tail, at, 4) != kEndSignature) continue;
        Location where{Le(tail, at + 10, 2), Le(tail, at + 12, 4), Le(tail, at + 16, 4)};
        const std::uint64_t endOffset = fileSize - tailSize + at;
        std::string locator;
        if (endOffset >= kLocatorSize && ReadAt(fd, endOffset - kLocatorSize, kLocatorSize, locator) &&
            Le(locator, 0, 4) == kZip64LocatorSignature) {
            std::string end64;
            if (!ReadAt(fd, Le(locator, 8, 8), kZip64EndSize, end64) || Le(end64, 0, 4) != kZip64EndSignature)
                return std::nullopt;
            where = {Le(end64, 32, 8), Le(end64, 40, 8), Le(end64, 48, 8)};
        }
        return where;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<CentralDirectory::Record>> CentralDirectory::Read(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    const auto where = Locate(fd, fileSize);
    // Every header takes at least 46 bytes: the counts can't outgrow the file.
    if (!where || where->offset > fileSize || where->size > fileSize - where->offset ||
        where->count > where->size / kHeaderSize)
        return std::nullopt;
    std::string directory;
    if (!ReadAt(fd, where->offset, static_cast<std::size_t>(where->size), directory)) return std::nullopt;
    std::vector<Record> records;
    records.reserve(static_cast<std::size_t>(where->count));
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < where->count; ++i) {
        if (directory.size() - at < kHeaderSize || Le(directory, at, 4) != kHeaderSignature) return std::nullopt;
        const std::size_t nameLength = Le(directory, at + 28, 2);
        const std::size_t rest = nameLength + Le(directory, at + 30, 2) + Le(directory, at + 32, 2);
        if (directory.size() - at - kHeaderSize < rest) return std::nullopt;
        Record& r = records.emplace_back();
        r.rawName = directory.substr(at + kHeaderSize, nameLength);
        r.flags = static_cast<std::uint16_t>(Le(directory, at + 8, 2));
        r.method = static_cast<std::uint16_t>(Le(directory, at + 10, 2));
        r.crc = static_cast<std::uint32_t>(Le(directory, at + 16, 4));
        r.compressedSize = Le(directory, at + 20, 4);
        r.size = Le(directory, at + 24, 4);
        std::uint64_t localOffset = Le(directory, at + 42, 4);
        const std::string_view extra =
            std::string_view(directory).substr(at + kHeaderSize + nameLength, Le(directory, at + 30, 2));
        if (Widen(extra, {&r.size, &r.compressedSize, &localOffset})) r.localHeaderOffset = localOffset;
        at += kHeaderSize + rest;
    }
    return records;
}

std::optional<std::string> CentralDirectory::Decode(const std::string& raw, std::uint16_t flags) {
    if (!(flags & kUtf8Flag)) return DecodeCp437(raw);
    if (!IsValidUtf8(raw)) return std::nullopt;
    return raw;
}

std::optional<std::vector<CentralDirectory::Record>> CentralDirectory::Matching(int fd, zip_t* archive) {
    auto records = Read(fd);
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (!records || count < 0 || records->size() != static_cast<std::uint64_t>(count)) return std::nullopt;
    for (std::size_t i = 0; i < records->size(); ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        // libzip reports the method inside an AES header, not the one recorded:
        // the CRC-32 alone tells the entries apart.
        if (zip_stat_index(archive, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_CRC) || st.crc != (*records)[i].crc)
            return std::nullopt;
    }
    return records;
}

std::vector<std::optional<std::string>> CentralDirectory::Names(const std::vector<Record>& records) {
    std::vector<std::optional<std::string>> names;
    names.reserve(records.size());
    for (const Record& r : records) names.push_back(Decode(r.rawName, r.flags));
    return names;
}

std::optional<std::vector<std::optional<std::string>>> CentralDirectory::Names(int fd, zip_t* archive) {
    const auto records = Matching(fd, archive);
    if (!records) return std::nullopt;
    return Names(*records);
}

}  // namespace brivane::document
