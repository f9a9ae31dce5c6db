#include "document/archive/EntryCopier.h"

#include "base/Unique.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>  // for crc32

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace brivane::document {

namespace {

using Cause = UnpackFailure::Cause;

UnpackFailure Damaged(std::string detail) { return UnpackFailure(Cause::Damaged, "", std::move(detail)); }

}  // namespace

template <typename Sink>
Result<void, UnpackFailure> EntryCopier::Pump(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize,
                                              Sink&& sink) {
    UniqueZipFile file(zip_fopen_index(archive, index, 0));
    if (!file) return Damaged(zip_error_strerror(zip_get_error(archive)));
    std::uint64_t total = 0;
    while (true) {
        if (cancelled && cancelled()) return UnpackFailure(Cause::Cancelled, "");
        // A CRC-32 mismatch is reported by the read after the last data.
        zip_int64_t n = zip_fread(file.get(), buffer_.data(), buffer_.size());
        if (n < 0) {
            if (zip_error_code_zip(zip_file_get_error(file.get())) == ZIP_ER_CRC)
                return UnpackFailure(Cause::CrcMismatch, "");
            return Damaged(zip_file_strerror(file.get()));
        }
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        if (total > declaredSize) return Damaged("more data than declared");
        if (auto written = sink(buffer_.data(), static_cast<size_t>(n)); !written) return written;
    }
    if (total != declaredSize) return Damaged("less data than declared");
    return {};
}

Result<void, UnpackFailure> EntryCopier::WriteOut(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return UnpackFailure(Cause::WriteFailed, "", std::strerror(errno));
        }
        data += written;
        size -= static_cast<size_t>(written);
        if (copied) copied(static_cast<std::uint64_t>(written));
    }
    return {};
}

Result<void, UnpackFailure> EntryCopier::ToFile(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize,
                                                int fd) {
    return Pump(archive, index, declaredSize,
                [this, fd](const char* data, size_t size) { return WriteOut(fd, data, size); });
}

Result<void, UnpackFailure> EntryCopier::StoredToFile(int archiveFd, std::uint64_t offset, std::uint64_t size,
                                                      std::uint32_t crc, int fd) {
    uLong sum = crc32(0, nullptr, 0);
    for (std::uint64_t done = 0; done < size;) {
        // A closed window must stop a large entry too, not only between entries.
        if (cancelled && cancelled()) return UnpackFailure(Cause::Cancelled, "");
        const size_t want = static_cast<size_t>(std::min<std::uint64_t>(buffer_.size(), size - done));
        const ssize_t n = pread(archiveFd, buffer_.data(), want, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Damaged(std::string("cannot read archive: ") + std::strerror(errno));
        if (n == 0) return Damaged("less data than declared");
        sum = crc32(sum, reinterpret_cast<const Bytef*>(buffer_.data()), static_cast<uInt>(n));
        if (auto written = WriteOut(fd, buffer_.data(), static_cast<size_t>(n)); !written) return written;
        done += static_cast<std::uint64_t>(n);
    }
    if (sum != crc) return UnpackFailure(Cause::CrcMismatch, "");
    return {};
}

Result<std::string, UnpackFailure> EntryCopier::ToString(zip_t* archive, zip_uint64_t index,
                                                         std::uint64_t declaredSize) {
    std::string text;
    auto read = Pump(archive, index, declaredSize, [&text](const char* data, size_t size) {
        text.append(data, size);
        return Result<void, UnpackFailure>();
    });
    if (!read) return read.Failure();
    return text;
}

}  // namespace brivane::document
