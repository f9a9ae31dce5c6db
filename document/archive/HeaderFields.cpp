#include "document/archive/HeaderFields.h"

#include <unistd.h>

#include <cerrno>

namespace brivane::document {

bool ReadHeaderBytes(int fd, std::uint64_t offset, std::size_t length, std::string& out) {
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

std::uint64_t LittleEndianField(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

}  // namespace brivane::document
