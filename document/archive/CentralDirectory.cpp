#include "CentralDirectory.h"

#include "Utf8.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace brivane::document {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kHeaderSignature = 0x02014b50;
constexpr std::size_t kEndSize = 22, kLocatorSize = 20, kZip64EndSize = 56, kHeaderSize = 46;
constexpr std::uint16_t kUtf8Flag = 1u << 11;

bool ReadAt(int fd, std::uint64_t offset, std::size_t length, std::string& out) {
    out.assign(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd, out.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::uint64_t Le(const std::string& bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
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
        records.push_back({directory.substr(at + kHeaderSize, nameLength),
                           static_cast<std::uint16_t>(Le(directory, at + 8, 2)),
                           static_cast<std::uint32_t>(Le(directory, at + 16, 4))});
        at += kHeaderSize + rest;
    }
    return records;
}

std::optional<std::string> CentralDirectory::Decode(const std::string& raw, std::uint16_t flags) {
    if (!(flags & kUtf8Flag)) return DecodeCp437(raw);
    if (!IsValidUtf8(raw)) return std::nullopt;
    return raw;
}

std::optional<std::vector<std::optional<std::string>>> CentralDirectory::Names(int fd, zip_t* archive) {
    const auto records = Read(fd);
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (!records || count < 0 || records->size() != static_cast<std::uint64_t>(count)) return std::nullopt;
    std::vector<std::optional<std::string>> names;
    names.reserve(records->size());
    for (std::size_t i = 0; i < records->size(); ++i) {
        const Record& r = (*records)[i];
        zip_stat_t st;
        zip_stat_init(&st);
        // libzip reports the method inside an AES header, not the one recorded:
        // the CRC-32 alone tells the entries apart.
        if (zip_stat_index(archive, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_CRC) || st.crc != r.crc)
            return std::nullopt;
        names.push_back(Decode(r.rawName, r.flags));
    }
    return names;
}

}  // namespace brivane::document
