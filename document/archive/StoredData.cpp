#include "document/archive/StoredData.h"

#include "document/archive/HeaderFields.h"

#include <string>

namespace brivane::document {

namespace {

constexpr std::uint32_t LOCAL_SIGNATURE = 0x04034b50;
constexpr std::size_t LOCAL_SIZE = 30;
constexpr std::uint16_t STORED = 0;
constexpr std::uint16_t ENCRYPTED = 1;  // general-purpose bit 0

bool LibzipSeesStored(zip_t* archive, zip_uint64_t index, const CentralDirectory::Record& record) {
    zip_stat_t st;
    zip_stat_init(&st);
    constexpr zip_uint64_t NEEDED_FIELDS =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    return zip_stat_index(archive, index, 0, &st) == 0 && (st.valid & NEEDED_FIELDS) == NEEDED_FIELDS &&
           st.comp_method == ZIP_CM_STORE && st.encryption_method == ZIP_EM_NONE && st.size == record.size &&
           st.comp_size == record.compressedSize;
}

}  // namespace

std::optional<std::uint64_t> StoredData::Offset(int fd, std::uint64_t fileSize, zip_t* archive, zip_uint64_t index,
                                                const CentralDirectory::Record& record) {
    if (record.method != STORED || (record.flags & ENCRYPTED) || record.compressedSize != record.size ||
        !record.localHeaderOffset || !LibzipSeesStored(archive, index, record))
        return std::nullopt;
    // libzip finds the data behind the local header's own name and extra
    // field; so must we, or we would serve other bytes than it unpacks.
    const std::uint64_t header = *record.localHeaderOffset;
    std::string local;
    if (header > fileSize || fileSize - header < LOCAL_SIZE || !ReadHeaderBytes(fd, header, LOCAL_SIZE, local))
        return std::nullopt;
    const std::uint64_t nameLength = LittleEndianField(local, 26, 2);
    if (LittleEndianField(local, 0, 4) != LOCAL_SIGNATURE || LittleEndianField(local, 8, 2) != STORED ||
        (LittleEndianField(local, 6, 2) & ENCRYPTED) || nameLength != record.rawName.size())
        return std::nullopt;
    const std::uint64_t data = header + LOCAL_SIZE + nameLength + LittleEndianField(local, 28, 2);
    if (data > fileSize || fileSize - data < record.size) return std::nullopt;
    return data;
}

}  // namespace brivane::document
