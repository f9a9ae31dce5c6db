#include "web/gtk/FileSliceStream.h"

#include "base/Unique.h"
#include "web/EntryDigest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

struct SliceCheck {
    brivane::web::EntryDigest digest;
    std::function<void()> mismatched;
};

struct BrivaneFileSlice {
    GInputStream parent;
    int fd;
    guint64 offset;
    guint64 remaining;
    SliceCheck* check;  // owned; null: nothing to check
};
struct BrivaneFileSliceClass {
    GInputStreamClass parent;
};

GType brivane_file_slice_get_type();
G_DEFINE_TYPE(BrivaneFileSlice, brivane_file_slice, G_TYPE_INPUT_STREAM)

// GIO runs this on a worker thread for the asynchronous reads WebKit does.
gssize SliceRead(GInputStream* stream, void* buffer, gsize count, GCancellable* cancellable, GError** error) {
    auto* self = reinterpret_cast<BrivaneFileSlice*>(stream);
    if (g_cancellable_set_error_if_cancelled(cancellable, error)) return -1;
    const gsize wanted = static_cast<gsize>(std::min<guint64>(count, self->remaining));
    if (wanted == 0) return 0;
    gssize got;
    do {
        got = pread(self->fd, buffer, wanted, static_cast<off_t>(self->offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        g_set_error_literal(error, G_IO_ERROR, g_io_error_from_errno(errno), g_strerror(errno));
        return -1;
    }
    self->offset += static_cast<guint64>(got);
    self->remaining = got == 0 ? 0 : self->remaining - static_cast<guint64>(got);
    // The piece that decides is withheld: the page never holds the whole of a
    // wrong entry.
    SliceCheck* check = self->check;
    if (check &&
        check->digest.Add(buffer, static_cast<std::size_t>(got)) == brivane::web::EntryDigest::Verdict::Differs) {
        self->remaining = 0;
        self->check = nullptr;
        if (check->mismatched) check->mismatched();
        delete check;
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_DATA, "damaged entry");
        return -1;
    }
    return got;
}

gboolean SliceClose(GInputStream* stream, GCancellable*, GError**) {
    auto* self = reinterpret_cast<BrivaneFileSlice*>(stream);
    if (self->fd >= 0) close(std::exchange(self->fd, -1));
    return TRUE;
}

void SliceFinalize(GObject* object) {
    SliceClose(G_INPUT_STREAM(object), nullptr, nullptr);
    delete std::exchange(reinterpret_cast<BrivaneFileSlice*>(object)->check, nullptr);
    G_OBJECT_CLASS(brivane_file_slice_parent_class)->finalize(object);
}

void brivane_file_slice_class_init(BrivaneFileSliceClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = SliceFinalize;
    G_INPUT_STREAM_CLASS(klass)->read_fn = SliceRead;
    G_INPUT_STREAM_CLASS(klass)->close_fn = SliceClose;
}

void brivane_file_slice_init(BrivaneFileSlice* self) {
    self->fd = -1;
    self->check = nullptr;
}

}  // namespace

namespace brivane::web {

RefPtr<GInputStream> FileSliceStream::Open(const std::string& path, std::uint64_t offset, std::uint64_t length,
                                           std::optional<Check> check) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat info {};
    if (!fd || fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    auto* slice = static_cast<BrivaneFileSlice*>(g_object_new(brivane_file_slice_get_type(), nullptr));
    slice->fd = fd.Release();
    slice->offset = offset;
    slice->remaining = length;
    if (check) slice->check = new SliceCheck{EntryDigest(check->crc, length), std::move(check->mismatched)};
    return RefPtr<GInputStream>::Adopt(G_INPUT_STREAM(slice));
}

}  // namespace brivane::web
