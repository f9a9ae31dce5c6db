#include "document/archive/FileSliceStream.h"

#include "base/Unique.h"
#include "document/archive/EntryDigest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

namespace {

using brivane::document::EntryDigest;

struct SliceCheck {
    EntryDigest digest;
    std::function<void()> mismatched;
};

// Derived from GMemoryInputStream only for poppler's sake: a memory stream is
// read where it asks, while any other stream gets a cache as large as the
// whole PDF. None of the parent's own storage is used; reading, skipping,
// seeking, polling and closing are all replaced.
struct BrivaneFileSlice {
    GMemoryInputStream parent;
    int fd;
    goffset start;  // of the slice in the file
    goffset length;
    goffset position;   // within the slice; past length after a seek there
    SliceCheck* check;  // owned; null: nothing to check
};
struct BrivaneFileSliceClass {
    GMemoryInputStreamClass parent_class;
};

void brivane_file_slice_seekable_init(GSeekableIface* iface);
void brivane_file_slice_pollable_init(GPollableInputStreamInterface* iface);

G_DEFINE_TYPE_WITH_CODE(BrivaneFileSlice, brivane_file_slice, G_TYPE_MEMORY_INPUT_STREAM,
                        G_IMPLEMENT_INTERFACE(G_TYPE_SEEKABLE, brivane_file_slice_seekable_init)
                            G_IMPLEMENT_INTERFACE(G_TYPE_POLLABLE_INPUT_STREAM, brivane_file_slice_pollable_init))

BrivaneFileSlice* Self(gpointer stream) { return reinterpret_cast<BrivaneFileSlice*>(stream); }

GInputStreamClass* BaseClass() { return static_cast<GInputStreamClass*>(g_type_class_peek(G_TYPE_INPUT_STREAM)); }

// GIO runs this on a worker thread for the asynchronous reads WebKit does.
gssize SliceRead(GInputStream* stream, void* buffer, gsize count, GCancellable* cancellable, GError** error) {
    BrivaneFileSlice* self = Self(stream);
    if (g_cancellable_set_error_if_cancelled(cancellable, error)) return -1;
    if (self->fd < 0) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_CLOSED, "slice is closed");
        return -1;
    }
    const goffset left = std::max<goffset>(0, self->length - self->position);
    const auto wanted = static_cast<gsize>(std::min<guint64>({count, static_cast<guint64>(left), G_MAXSSIZE}));
    if (wanted == 0) return 0;
    gssize got;
    do {
        got = pread(self->fd, buffer, wanted, static_cast<off_t>(self->start + self->position));
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        g_set_error_literal(error, G_IO_ERROR, g_io_error_from_errno(errno), g_strerror(errno));
        return -1;
    }
    // A file cut short ends the slice where it ends.
    self->position = got == 0 ? self->length : self->position + got;
    // The piece that decides is withheld: the page never holds the whole of a
    // wrong entry.
    SliceCheck* check = self->check;
    if (check && check->digest.Add(buffer, static_cast<std::size_t>(got)) == EntryDigest::Verdict::Differs) {
        self->position = self->length;
        self->check = nullptr;
        if (check->mismatched) check->mismatched();
        delete check;
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_DATA, "damaged entry");
        return -1;
    }
    return got;
}

gssize SliceSkip(GInputStream* stream, gsize count, GCancellable* cancellable, GError** error) {
    BrivaneFileSlice* self = Self(stream);
    // A checked slice must see every byte it hands on or not.
    if (self->check) return BaseClass()->skip(stream, count, cancellable, error);
    if (g_cancellable_set_error_if_cancelled(cancellable, error)) return -1;
    const goffset left = std::max<goffset>(0, self->length - self->position);
    const auto skipped = static_cast<goffset>(std::min<guint64>({count, static_cast<guint64>(left), G_MAXSSIZE}));
    self->position += skipped;
    return static_cast<gssize>(skipped);
}

gboolean SliceClose(GInputStream* stream, GCancellable*, GError**) {
    BrivaneFileSlice* self = Self(stream);
    if (self->fd >= 0) close(std::exchange(self->fd, -1));
    return TRUE;
}

void SliceFinalize(GObject* object) {
    SliceClose(G_INPUT_STREAM(object), nullptr, nullptr);
    delete std::exchange(Self(object)->check, nullptr);
    G_OBJECT_CLASS(brivane_file_slice_parent_class)->finalize(object);
}

goffset SliceTell(GSeekable* seekable) { return Self(seekable)->position; }

gboolean SliceCanSeek(GSeekable* seekable) { return Self(seekable)->check == nullptr; }

gboolean SliceSeek(GSeekable* seekable, goffset offset, GSeekType type, GCancellable*, GError** error) {
    BrivaneFileSlice* self = Self(seekable);
    if (self->check) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "checked slice reads in order");
        return FALSE;
    }
    const goffset base = type == G_SEEK_CUR ? self->position : type == G_SEEK_END ? self->length : 0;
    if ((offset > 0 && base > G_MAXOFFSET - offset) || base + offset < 0) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT, "invalid seek");
        return FALSE;
    }
    self->position = base + offset;
    return TRUE;
}

gboolean SliceCanTruncate(GSeekable*) { return FALSE; }

gboolean SliceTruncate(GSeekable*, goffset, GCancellable*, GError** error) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "read-only stream");
    return FALSE;
}

// Not pollable, unlike the parent: GIO then reads asynchronously on a worker
// thread instead of calling read on the main loop.
gboolean SliceCanPoll(GPollableInputStream*) { return FALSE; }

void brivane_file_slice_class_init(BrivaneFileSliceClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = SliceFinalize;
    GInputStreamClass* stream = G_INPUT_STREAM_CLASS(klass);
    stream->read_fn = SliceRead;
    stream->skip = SliceSkip;
    stream->close_fn = SliceClose;
    // The parent's asynchronous calls work on its own storage.
    stream->read_async = BaseClass()->read_async;
    stream->read_finish = BaseClass()->read_finish;
    stream->skip_async = BaseClass()->skip_async;
    stream->skip_finish = BaseClass()->skip_finish;
    stream->close_async = BaseClass()->close_async;
    stream->close_finish = BaseClass()->close_finish;
}

void brivane_file_slice_init(BrivaneFileSlice* self) {
    self->fd = -1;
    self->start = 0;
    self->length = 0;
    self->position = 0;
    self->check = nullptr;
}

void brivane_file_slice_seekable_init(GSeekableIface* iface) {
    iface->tell = SliceTell;
    iface->can_seek = SliceCanSeek;
    iface->seek = SliceSeek;
    iface->can_truncate = SliceCanTruncate;
    iface->truncate_fn = SliceTruncate;
}

void brivane_file_slice_pollable_init(GPollableInputStreamInterface* iface) { iface->can_poll = SliceCanPoll; }

}  // namespace

namespace brivane::document {

RefPtr<GInputStream> FileSliceStream::Open(const std::string& path, std::uint64_t offset, std::uint64_t length,
                                           std::optional<Check> check) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    return fd ? Open(fd.Get(), offset, length, std::move(check)) : nullptr;
}

RefPtr<GInputStream> FileSliceStream::Open(int fd, std::uint64_t offset, std::uint64_t length,
                                           std::optional<Check> check) {
    constexpr auto MOST = static_cast<std::uint64_t>(std::numeric_limits<goffset>::max());
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || offset > MOST || length > MOST - offset)
        return nullptr;
    UniqueFd own(fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!own) return nullptr;
    auto* slice = static_cast<BrivaneFileSlice*>(g_object_new(brivane_file_slice_get_type(), nullptr));
    slice->fd = own.Release();
    slice->start = static_cast<goffset>(offset);
    slice->length = static_cast<goffset>(length);
    if (check) slice->check = new SliceCheck{EntryDigest(check->crc, length), std::move(check->mismatched)};
    return RefPtr<GInputStream>::Adopt(G_INPUT_STREAM(slice));
}

}  // namespace brivane::document
