#include "EntryCopier.h"

#include "Unique.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace brivane::document {

namespace {

using Cause = UnpackFailure::Cause;

UnpackFailure Damaged(std::string detail) { return UnpackFailure(Cause::Damaged, "", std::move(detail)); }

}  // namespace

template <typename Sink>
std::optional<UnpackFailure> EntryCopier::Pump(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize,
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
        if (auto failure = sink(buffer_.data(), static_cast<size_t>(n))) return failure;
    }
    if (total != declaredSize) return Damaged("less data than declared");
    return std::nullopt;
}

std::optional<UnpackFailure> EntryCopier::ToFile(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize,
                                                 int fd) {
    return Pump(archive, index, declaredSize,
                [this, fd](const char* data, size_t size) -> std::optional<UnpackFailure> {
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
                    return std::nullopt;
                });
}

std::optional<std::string> EntryCopier::ToString(zip_t* archive, zip_uint64_t index, std::uint64_t declaredSize,
                                                 std::optional<UnpackFailure>& failure) {
    std::string text;
    failure = Pump(archive, index, declaredSize, [&text](const char* data, size_t size) {
        text.append(data, size);
        return std::optional<UnpackFailure>();
    });
    if (failure) return std::nullopt;
    return text;
}

}  // namespace brivane::document
