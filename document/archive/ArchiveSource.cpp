#include "document/archive/ArchiveSource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brivane::document {

namespace {

struct State {
    int fd;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::vector<char> buffer;
    std::uint64_t bufferStart = 0;  // file offset of buffer[0]
    size_t bufferFill = 0;
    zip_error_t error;
};

zip_int64_t Fail(State& s, int zipCode) {
    zip_error_set(&s.error, zipCode, errno);
    return -1;
}

zip_int64_t Read(State& s, char* out, zip_uint64_t length) {
    zip_uint64_t done = 0;
    while (done < length && s.offset < s.size) {
        if (s.offset >= s.bufferStart && s.offset < s.bufferStart + s.bufferFill) {
            size_t at = static_cast<size_t>(s.offset - s.bufferStart);
            size_t n = static_cast<size_t>(std::min<zip_uint64_t>(length - done, s.bufferFill - at));
            std::memcpy(out + done, s.buffer.data() + at, n);
            done += n;
            s.offset += n;
            continue;
        }
        ssize_t n = pread(s.fd, s.buffer.data(), s.buffer.size(), static_cast<off_t>(s.offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(s, ZIP_ER_READ);
        }
        if (n == 0) break;  // the file shrank
        s.bufferStart = s.offset;
        s.bufferFill = static_cast<size_t>(n);
    }
    return static_cast<zip_int64_t>(done);
}

zip_int64_t Callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    State& s = *static_cast<State*>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        s.offset = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return Read(s, static_cast<char*>(data), length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &s.error);
        if (!st) return -1;
        zip_stat_init(st);
        st->size = s.size;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_SEEK: {
        zip_int64_t target = zip_source_seek_compute_offset(s.offset, s.size, data, length, &s.error);
        if (target < 0) return -1;
        s.offset = static_cast<std::uint64_t>(target);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(s.offset);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&s.error);
        delete &s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_SEEKABLE;
    default:
        zip_error_set(&s.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

}  // namespace

Result<UniqueZip> ArchiveSource::Open(int fd, size_t bufferSize) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Error{"not a readable archive: not a regular file"};
    auto* state = new State{fd, static_cast<std::uint64_t>(st.st_size), 0, std::vector<char>(bufferSize), 0, 0, {}};
    zip_error_init(&state->error);
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* source = zip_source_function_create(Callback, state, &ze);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
        Error error{std::string("not a readable archive: ") + zip_error_strerror(&ze)};
        zip_error_fini(&ze);
        return error;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &ze);
    if (!archive) {
        zip_source_free(source);  // frees the state through ZIP_SOURCE_FREE
        Error error{std::string("not a readable archive: ") + zip_error_strerror(&ze)};
        zip_error_fini(&ze);
        return error;
    }
    zip_error_fini(&ze);
    return UniqueZip(archive);
}

}  // namespace brivane::document
