#include "document/archive/ZipEntryStream.h"

#include "base/Unique.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Derived from GMemoryInputStream only for poppler's sake: a memory stream is
// read where it asks, while any other stream gets a cache as large as the
// whole PDF. None of the parent's own storage is used; reading, skipping,
// seeking and closing are all replaced.
struct BrivaneEntryStream {
    GMemoryInputStream parent;
    zip_file_t* file;
    goffset size;
    // Where a seek past the end left the reader; libzip refuses such seeks and
    // fails every later read, while a file stream simply reads nothing there.
    goffset beyond;
};

struct BrivaneEntryStreamClass {
    GMemoryInputStreamClass parent_class;
};

void brivane_entry_stream_seekable_init(GSeekableIface* iface);

G_DEFINE_TYPE_WITH_CODE(BrivaneEntryStream, brivane_entry_stream, G_TYPE_MEMORY_INPUT_STREAM,
                        G_IMPLEMENT_INTERFACE(G_TYPE_SEEKABLE, brivane_entry_stream_seekable_init))

BrivaneEntryStream* Self(gpointer stream) { return reinterpret_cast<BrivaneEntryStream*>(stream); }

void SetZipError(GError** error, zip_file_t* file) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_FAILED, file ? zip_file_strerror(file) : "entry is closed");
}

gssize Read(GInputStream* stream, void* buffer, gsize count, GCancellable*, GError** error) {
    zip_file_t* file = Self(stream)->file;
    if (file && Self(stream)->beyond >= 0) return 0;
    const zip_int64_t n = file ? zip_fread(file, buffer, std::min<gsize>(count, G_MAXSSIZE)) : -1;
    if (n < 0) {
        SetZipError(error, file);
        return -1;
    }
    return static_cast<gssize>(n);
}

gssize Skip(GInputStream* stream, gsize count, GCancellable*, GError** error) {
    BrivaneEntryStream* self = Self(stream);
    zip_file_t* file = self->file;
    if (file && self->beyond >= 0) return 0;
    const zip_int64_t before = file ? zip_ftell(file) : -1;
    // Skipping stops at the end, as it does in any other stream.
    const auto left = static_cast<gsize>(std::max<goffset>(0, self->size - before));
    if (before < 0 ||
        zip_fseek(file, static_cast<zip_int64_t>(std::min({count, left, gsize{G_MAXSSIZE}})), SEEK_CUR) != 0) {
        SetZipError(error, file);
        return -1;
    }
    return static_cast<gssize>(zip_ftell(file) - before);
}

gboolean Close(GInputStream* stream, GCancellable*, GError**) {
    if (zip_file_t* file = std::exchange(Self(stream)->file, nullptr)) zip_fclose(file);
    return TRUE;
}

void Finalize(GObject* object) {
    Close(G_INPUT_STREAM(object), nullptr, nullptr);
    G_OBJECT_CLASS(brivane_entry_stream_parent_class)->finalize(object);
}

goffset Tell(GSeekable* seekable) {
    BrivaneEntryStream* self = Self(seekable);
    if (!self->file) return 0;
    return self->beyond >= 0 ? self->beyond : zip_ftell(self->file);
}

gboolean CanSeek(GSeekable*) { return TRUE; }

gboolean Seek(GSeekable* seekable, goffset offset, GSeekType type, GCancellable*, GError** error) {
    BrivaneEntryStream* self = Self(seekable);
    if (!self->file) {
        SetZipError(error, nullptr);
        return FALSE;
    }
    const goffset base = type == G_SEEK_CUR ? Tell(seekable) : type == G_SEEK_END ? self->size : 0;
    if ((offset > 0 && base > G_MAXOFFSET - offset) || base + offset < 0) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT, "invalid seek");
        return FALSE;
    }
    const goffset target = base + offset;
    if (zip_fseek(self->file, std::min(target, self->size), SEEK_SET) != 0) {
        SetZipError(error, self->file);
        return FALSE;
    }
    self->beyond = target > self->size ? target : -1;
    return TRUE;
}

gboolean CanTruncate(GSeekable*) { return FALSE; }

gboolean Truncate(GSeekable*, goffset, GCancellable*, GError** error) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "read-only stream");
    return FALSE;
}

void brivane_entry_stream_class_init(BrivaneEntryStreamClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    G_INPUT_STREAM_CLASS(klass)->read_fn = Read;
    G_INPUT_STREAM_CLASS(klass)->skip = Skip;
    // The parent's asynchronous skip and close work on its own storage.
    auto* base = static_cast<GInputStreamClass*>(g_type_class_peek(G_TYPE_INPUT_STREAM));
    G_INPUT_STREAM_CLASS(klass)->skip_async = base->skip_async;
    G_INPUT_STREAM_CLASS(klass)->skip_finish = base->skip_finish;
    G_INPUT_STREAM_CLASS(klass)->close_async = base->close_async;
    G_INPUT_STREAM_CLASS(klass)->close_finish = base->close_finish;
    G_INPUT_STREAM_CLASS(klass)->close_fn = Close;
}

void brivane_entry_stream_init(BrivaneEntryStream* self) {
    self->file = nullptr;
    self->size = 0;
    self->beyond = -1;
}

void brivane_entry_stream_seekable_init(GSeekableIface* iface) {
    iface->tell = Tell;
    iface->can_seek = CanSeek;
    iface->seek = Seek;
    iface->can_truncate = CanTruncate;
    iface->truncate_fn = Truncate;
}

}  // namespace

namespace brivane::document {

RefPtr<GInputStream> ZipEntryStream::Open(zip_t* archive, std::uint64_t index, std::uint64_t size) {
    if (size > static_cast<std::uint64_t>(std::numeric_limits<goffset>::max())) return nullptr;
    UniqueZipFile file(zip_fopen_index(archive, index, 0));
    // libzip seeks only in stored entries; probing here keeps a deflated one
    // from failing later, halfway through a reader's work.
    if (!file || zip_fseek(file.get(), 0, SEEK_END) != 0 || zip_ftell(file.get()) != static_cast<zip_int64_t>(size) ||
        zip_fseek(file.get(), 0, SEEK_SET) != 0)
        return nullptr;
    auto* stream = static_cast<BrivaneEntryStream*>(g_object_new(brivane_entry_stream_get_type(), nullptr));
    stream->file = file.release();
    stream->size = static_cast<goffset>(size);
    return RefPtr<GInputStream>::Adopt(G_INPUT_STREAM(stream));
}

}  // namespace brivane::document
