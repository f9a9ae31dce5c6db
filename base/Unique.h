#pragma once

// Single-owner handles for the C libraries we use (GObjects: GObjectPtr.h).
// After these headers, no code calls the matching free/close/unref by hand.

#include <glib.h>
#include <zip.h>

#include <unistd.h>

#include <memory>
#include <utility>

namespace brivane {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
struct ZipDiscardDeleter {
    void operator()(zip_t* z) const {
        if (z) zip_discard(z);  // read-only use: never write back
    }
};
struct ZipFileDeleter {
    void operator()(zip_file_t* f) const {
        if (f) zip_fclose(f);
    }
};

using UniqueGChars = std::unique_ptr<char, GFreeDeleter>;
using UniqueZip = std::unique_ptr<zip_t, ZipDiscardDeleter>;
using UniqueZipFile = std::unique_ptr<zip_file_t, ZipFileDeleter>;

// An owned POSIX file descriptor; -1 when empty.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.fd_, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

}  // namespace brivane
