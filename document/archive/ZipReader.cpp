#include "document/archive/ZipReader.h"

#include "base/FileUrl.h"
#include "document/archive/ArchiveSource.h"
#include "document/archive/StoredData.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>

namespace brivane::document {

namespace {

constexpr std::size_t CHUNK_SIZE = 16384;

std::string Describe(int zipErrorCode) {
    zip_error_t error;
    zip_error_init_with_code(&error, zipErrorCode);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

}  // namespace

std::optional<ZipReader> ZipReader::Open(const std::string& fileUrl) {
    const auto path = PathFromFileUrl(fileUrl);
    if (!path) return std::nullopt;
    // Opening a FIFO would block until a writer appears, and a device may
    // never end: only regular files can be archives.
    struct stat st;
    if (stat(path->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    UniqueFd fd(open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));  // never wait on a FIFO swapped in
    if (!fd) return std::nullopt;
    // No consistency check: archives with odd but readable directories still
    // open. A small read-ahead: the check must not read the PDF's bytes.
    auto zip = ArchiveSource::Open(fd.Get(), CHUNK_SIZE);
    if (!zip) return std::nullopt;
    auto records = CentralDirectory::Matching(fd.Get(), zip->get());
    if (!records) return std::nullopt;
    return ZipReader(std::move(fd), std::move(*zip), std::move(*records));
}

std::optional<std::uint64_t> ZipReader::Find(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) return i;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ZipReader::Size(std::uint64_t index) const {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_.get(), index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return std::nullopt;
    return st.size;
}

std::optional<std::uint64_t> ZipReader::StoredOffset(std::uint64_t index) const {
    struct stat st;
    if (index >= records_.size() || fstat(fd_.Get(), &st) != 0) return std::nullopt;
    return StoredData::Offset(fd_.Get(), static_cast<std::uint64_t>(st.st_size), zip_.get(), index, records_[index]);
}

Result<std::string> ZipReader::Read(std::uint64_t index, std::uint64_t limit) const {
    const Error tooLarge{"Entry is larger than " + std::to_string(limit) + " bytes"};
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_.get(), index, 0, &st) != 0) return Error{zip_strerror(zip_.get())};
    if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0))
        return Error{Describe(ZIP_ER_COMPNOTSUPP)};
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        return Error{Describe(ZIP_ER_ENCRNOTSUPP)};
    if ((st.valid & ZIP_STAT_SIZE) && st.size > limit) return tooLarge;

    UniqueZipFile file(zip_fopen_index(zip_.get(), index, 0));
    if (!file) return Error{zip_strerror(zip_.get())};

    std::string bytes;
    if (st.valid & ZIP_STAT_SIZE) bytes.reserve(static_cast<std::size_t>(st.size));
    std::array<char, CHUNK_SIZE> chunk;
    // A CRC mismatch is only reported by the read after the last data, so
    // read until end of data or error, never stopping at the recorded size.
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), chunk.data(), chunk.size());
        if (n < 0) return Error{zip_file_strerror(file.get())};
        if (n == 0) break;
        if (static_cast<std::uint64_t>(n) > limit - bytes.size()) return tooLarge;
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
    return bytes;
}

}  // namespace brivane::document
