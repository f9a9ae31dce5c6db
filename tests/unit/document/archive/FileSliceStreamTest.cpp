#include "document/archive/EntryDigest.h"
#include "document/archive/FileSliceStream.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    const std::string path = dir.Write("book.flip", BEFORE + SLICE + AFTER);
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
    const std::string path = dir.Write("book.flip", BEFORE + SLICE + AFTER);
    const auto crc = test::Crc32(SLICE);
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

using Verdict = EntryDigest::Verdict;

// A page served from the archive keeps only what the directory vouches for:
// the verdict falls with the last byte, never before, and a short or long
// source is as wrong as other bytes.
TEST(EntryDigest, JudgesTheWholeEntryOnceItsLastByteWentOut) {
    const std::string entry = "%PDF-1.7 the book's own bytes";
    const struct {
        const char* name;
        std::uint64_t length;
        std::vector<std::string> pieces;
        std::vector<Verdict> verdicts;
    } cases[] = {
        {"in pieces",
         entry.size(),
         {entry.substr(0, 4), entry.substr(4, 10), entry.substr(14)},
         {Verdict::Pending, Verdict::Pending, Verdict::Matches}},
        {"the source ends early", entry.size(), {entry.substr(0, 9), ""}, {Verdict::Pending, Verdict::Differs}},
        {"more than the entry", entry.size() - 1, {entry}, {Verdict::Differs}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EntryDigest digest(test::Crc32(entry), c.length);
        std::vector<Verdict> verdicts;
        for (const auto& piece : c.pieces) verdicts.push_back(digest.Add(piece.data(), piece.size()));
        EXPECT_EQ(verdicts, c.verdicts);
    }
}

}  // namespace
}  // namespace brivane::document
