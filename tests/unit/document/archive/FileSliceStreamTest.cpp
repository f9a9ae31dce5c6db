#include "document/archive/FileSliceStream.h"

#include "tests/support/TempDir.h"

#include <zlib.h>  // for crc32
#include <gtest/gtest.h>

#include <string>

namespace brivane::document {
namespace {

const std::string BEFORE = "local header";
const std::string SLICE = "%PDF-1.7 stored bytes";
const std::string AFTER = "next entry";

std::string ReadUpTo(GInputStream* stream, gsize count) {
    std::string bytes(count, '\0');
    gsize got = 0;
    g_input_stream_read_all(stream, bytes.data(), count, &got, nullptr, nullptr);
    bytes.resize(got);
    return bytes;
}

// poppler jumps around in a stored PDF: every seek must land inside the
// entry's own bytes, and reading stops at its end, not at the file's.
TEST(FileSliceStream, SeeksAndReadsWithinTheSliceOnly) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/book.flip";
    test::Write(path, BEFORE + SLICE + AFTER);
    const goffset size = static_cast<goffset>(SLICE.size());
    const struct {
        const char* name;
        goffset offset;
        GSeekType type;
        bool seeks;
        goffset tell;
        std::string read;
    } cases[] = {
        {"from the start", 0, G_SEEK_SET, true, 0, SLICE.substr(0, 8)},
        {"to the middle", 9, G_SEEK_SET, true, 9, SLICE.substr(9, 8)},
        {"back from the end", -5, G_SEEK_END, true, size - 5, SLICE.substr(size - 5)},
        {"on from the current place", 4, G_SEEK_CUR, true, 4, SLICE.substr(4, 8)},
        {"to the end", 0, G_SEEK_END, true, size, ""},
        {"past the end, as in a file", 7, G_SEEK_END, true, size + 7, ""},
        {"before the start", -1, G_SEEK_SET, false, 0, SLICE.substr(0, 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto stream = FileSliceStream::Open(path, BEFORE.size(), SLICE.size());
        ASSERT_TRUE(stream);
        auto* seekable = G_SEEKABLE(stream.get());
        ASSERT_TRUE(g_seekable_can_seek(seekable));
        EXPECT_FALSE(g_seekable_can_truncate(seekable));
        EXPECT_EQ(g_seekable_seek(seekable, c.offset, c.type, nullptr, nullptr), c.seeks);
        EXPECT_EQ(g_seekable_tell(seekable), c.tell);
        EXPECT_EQ(ReadUpTo(stream.get(), 8), c.read);
    }
}

// A page served while unpacking never gets the whole of a wrong entry, and a
// checked slice cannot be seeked past bytes the check must see.
TEST(FileSliceStream, ChecksTheWholeSliceReadInOrder) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/book.flip";
    test::Write(path, BEFORE + SLICE + AFTER);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(SLICE.data()), static_cast<uInt>(SLICE.size())));
    const struct {
        const char* name;
        std::uint32_t crc;
        std::string read;
        bool mismatched;
    } cases[] = {
        {"the right bytes", crc, SLICE, false},
        {"other bytes", crc ^ 1, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool mismatched = false;
        auto stream = FileSliceStream::Open(path, BEFORE.size(), SLICE.size(),
                                            FileSliceStream::Check{c.crc, [&] { mismatched = true; }});
        ASSERT_TRUE(stream);
        EXPECT_FALSE(g_seekable_can_seek(G_SEEKABLE(stream.get())));
        EXPECT_FALSE(g_seekable_seek(G_SEEKABLE(stream.get()), 1, G_SEEK_SET, nullptr, nullptr));
        EXPECT_EQ(ReadUpTo(stream.get(), SLICE.size() + AFTER.size()), c.read);
        EXPECT_EQ(mismatched, c.mismatched);
    }
}

}  // namespace
}  // namespace brivane::document
