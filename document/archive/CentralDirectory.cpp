#include "document/archive/CentralDirectory.h"

#include "base/Utf8.h"
#include "document/archive/HeaderFields.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>

namespace brivane::document {

namespace {

constexpr std::uint32_t END_SIGNATURE = 0x06054b50;
constexpr std::uint32_t ZIP64_END_SIGNATURE = 0x06064b50;
constexpr std::uint32_t ZIP64_LOCATOR_SIGNATURE = 0x07064b50;
constexpr std::uint32_t HEADER_SIGNATURE = 0x02014b50;
constexpr std::size_t END_SIZE = 22, LOCATOR_SIZE = 20, ZIP64_END_SIZE = 56, HEADER_SIZE = 46;
constexpr std::uint16_t UTF8_FLAG = 1u << 11;

// Short names: the record parsing below is dense with them.
bool ReadAt(int fd, std::uint64_t offset, std::size_t length, std::string& out) {
    return ReadHeaderBytes(fd, offset, length, out);
}
std::uint64_t Le(std::string_view bytes, std::size_t at, int width) { return LittleEndianField(bytes, at, width); }

constexpr std::uint64_t MAX32 = 0xFFFFFFFF;
constexpr std::uint16_t ZIP64_FIELD_ID = 0x0001;
constexpr std::uint16_t UNICODE_PATH_ID = 0x7075;
constexpr std::uint16_t AES_METHOD = 99;

// The data of the ZIP64 extended-information field in an extra block.
std::optional<std::string_view> Zip64Field(std::string_view extra) {
    for (std::size_t at = 0; extra.size() - at >= 4;) {
        const std::size_t id = Le(extra, at, 2), length = Le(extra, at + 2, 2);
        if (extra.size() - at - 4 < length) return std::nullopt;
        if (id == ZIP64_FIELD_ID) return extra.substr(at + 4, length);
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
        if (*field != MAX32) continue;
        if (!data || data->size() - at < 8) return false;
        *field = Le(*data, at, 8);
        at += 8;
    }
    return true;
}

struct Location {
    std::uint64_t count = 0, size = 0, offset = 0;
    bool operator==(const Location&) const = default;
};

// Real archives end in one end record, or a few readings of it; more is a
// file built to make us read its directories over and over.
constexpr std::size_t MAX_END_RECORDS = 16;

// Every reading of the file's tail that could be its end record: an end
// record signature anywhere a comment could hide it, read both with and
// without a ZIP64 locator in front. Zip tools differ in which of them they
// believe, so the caller must make sure they all lead to one directory.
std::vector<Location> EndRecords(int fd, std::uint64_t fileSize) {
    std::vector<Location> found;
    // A record repeated in a comment leads nowhere new.
    const auto add = [&found](const Location& where) {
        if (std::find(found.begin(), found.end(), where) == found.end()) found.push_back(where);
    };
    if (fileSize < END_SIZE) return found;
    std::string tail;
    const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, END_SIZE + 0xFFFF);
    if (!ReadAt(fd, fileSize - tailSize, static_cast<std::size_t>(tailSize), tail)) return found;
    for (std::size_t at = tail.size() - END_SIZE + 1; at-- > 0;) {
        if (Le(tail, at, 4) != END_SIGNATURE) continue;
        add({Le(tail, at + 10, 2), Le(tail, at + 12, 4), Le(tail, at + 16, 4)});
        const std::uint64_t endOffset = fileSize - tailSize + at;
        std::string locator, end64;
        if (endOffset >= LOCATOR_SIZE && ReadAt(fd, endOffset - LOCATOR_SIZE, LOCATOR_SIZE, locator) &&
            Le(locator, 0, 4) == ZIP64_LOCATOR_SIGNATURE && ReadAt(fd, Le(locator, 8, 8), ZIP64_END_SIZE, end64) &&
            Le(end64, 0, 4) == ZIP64_END_SIGNATURE)
            add({Le(end64, 32, 8), Le(end64, 40, 8), Le(end64, 48, 8)});
    }
    return found;
}

std::optional<std::vector<CentralDirectory::Record>> ReadDirectory(int fd, std::uint64_t fileSize,
                                                                   const Location& where) {
    // Every header takes at least 46 bytes: the counts can't outgrow the file.
    if (where.offset > fileSize || where.size > fileSize - where.offset || where.count > where.size / HEADER_SIZE)
        return std::nullopt;
    std::string directory;
    // Most stray signatures point at no header: find out before reading much.
    if (where.count > 0 && (!ReadAt(fd, where.offset, 4, directory) || Le(directory, 0, 4) != HEADER_SIGNATURE))
        return std::nullopt;
    if (!ReadAt(fd, where.offset, static_cast<std::size_t>(where.size), directory)) return std::nullopt;
    std::vector<CentralDirectory::Record> records;
    records.reserve(static_cast<std::size_t>(where.count));
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < where.count; ++i) {
        if (directory.size() - at < HEADER_SIZE || Le(directory, at, 4) != HEADER_SIGNATURE) return std::nullopt;
        const std::size_t nameLength = Le(directory, at + 28, 2), extraLength = Le(directory, at + 30, 2);
        const std::size_t rest = nameLength + extraLength + Le(directory, at + 32, 2);
        if (directory.size() - at - HEADER_SIZE < rest) return std::nullopt;
        CentralDirectory::Record& r = records.emplace_back();
        r.rawName = directory.substr(at + HEADER_SIZE, nameLength);
        r.extra = directory.substr(at + HEADER_SIZE + nameLength, extraLength);
        r.flags = static_cast<std::uint16_t>(Le(directory, at + 8, 2));
        r.method = static_cast<std::uint16_t>(Le(directory, at + 10, 2));
        r.crc = static_cast<std::uint32_t>(Le(directory, at + 16, 4));
        r.compressedSize = Le(directory, at + 20, 4);
        r.size = Le(directory, at + 24, 4);
        std::uint64_t localOffset = Le(directory, at + 42, 4);
        if (Widen(r.extra, {&r.size, &r.compressedSize, &localOffset})) r.localHeaderOffset = localOffset;
        at += HEADER_SIZE + rest;
    }
    return records;
}

bool HasUnicodePath(std::string_view extra) {
    for (std::size_t at = 0; at + 4 <= extra.size(); at += 4 + Le(extra, at + 2, 2))
        if (Le(extra, at, 2) == UNICODE_PATH_ID) return true;
    return false;
}

// libzip's own view of entry i says the same as our header.
bool LibzipAgrees(zip_t* archive, zip_uint64_t i, const CentralDirectory::Record& r) {
    zip_stat_t st;
    zip_stat_init(&st);
    constexpr zip_uint64_t NEEDED_FIELDS = ZIP_STAT_CRC | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
    if (zip_stat_index(archive, i, 0, &st) != 0 || (st.valid & NEEDED_FIELDS) != NEEDED_FIELDS || st.crc != r.crc ||
        st.size != r.size || st.comp_size != r.compressedSize)
        return false;
    // libzip reports the method inside an AES header, not the one recorded.
    if (r.method != AES_METHOD && st.comp_method != r.method) return false;
    // It also takes a name from a Unicode Path field, which we ignore.
    if (HasUnicodePath(r.extra)) return true;
    const char* name = zip_get_name(archive, i, ZIP_FL_ENC_RAW);
    return name && std::string_view(r.rawName).substr(0, r.rawName.find('\0')) == name;
}

}  // namespace

Result<std::vector<CentralDirectory::Record>> CentralDirectory::Read(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Error{"not a regular file"};
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    std::optional<std::vector<Record>> chosen;
    bool empty = false;
    const auto ends = EndRecords(fd, fileSize);
    if (ends.size() > MAX_END_RECORDS) return Error{"too many end records"};
    for (const Location& where : ends) {
        auto records = ReadDirectory(fd, fileSize, where);
        // A stray signature in a comment rarely leads anywhere, and an empty
        // directory says nothing about the entries of another.
        if (!records) continue;
        if (records->empty()) {
            empty = true;
        } else if (!chosen) {
            chosen = std::move(records);
        } else if (*chosen != *records) {
            return Error{"end records lead to different central directories"};
        }
    }
    if (!chosen && empty) return std::vector<Record>();
    if (!chosen) return Error{"central directory cannot be read"};
    return std::move(*chosen);
}

std::optional<std::string> CentralDirectory::Decode(const std::string& raw, std::uint16_t flags) {
    if (!(flags & UTF8_FLAG)) return DecodeCp437(raw);
    if (!IsValidUtf8(raw)) return std::nullopt;
    return raw;
}

Result<std::vector<CentralDirectory::Record>> CentralDirectory::Matching(int fd, zip_t* archive) {
    auto records = Read(fd);
    if (!records) return records;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool same = count >= 0 && records->size() == static_cast<std::uint64_t>(count);
    for (std::size_t i = 0; same && i < records->size(); ++i) same = LibzipAgrees(archive, i, (*records)[i]);
    if (!same) return Error{"central directory differs from the one libzip reads"};
    return records;
}

std::vector<std::optional<std::string>> CentralDirectory::Names(const std::vector<Record>& records) {
    std::vector<std::optional<std::string>> names;
    names.reserve(records.size());
    for (const Record& r : records) names.push_back(Decode(r.rawName, r.flags));
    return names;
}

}  // namespace brivane::document
