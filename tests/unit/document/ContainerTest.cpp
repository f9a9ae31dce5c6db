#include "document/FlipbookFile.h"
#include "document/FlipbookMeta.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

using test::ZipEntry;
using test::ZipWriter;

const std::string META = R"({"app":1})";
ZipWriter Meta(ZipEntry e) {
    e.name = "metadata.brivane";
    if (e.data.empty()) e.data = META;
    return ZipWriter().Add(std::move(e));
}

struct MetadataCase {
    const char* name;
    ZipWriter archive;
    std::optional<std::string> text;
    std::size_t lines = 0;
};

TEST(GetMetadataSource, ReadsTheRightEntryOrReportsDamage) {
    const std::string big(40000, 'm');
    const MetadataCase cases[] = {
        {"deflated", Meta({.method = 8}), META},
        {"name without UTF-8 flag", Meta({.utf8Flag = false}), META},
        {"different letter case", ZipWriter().File("Metadata.brivane", META), std::nullopt},
        {"inside a folder", ZipWriter().File("docs/metadata.brivane", META), std::nullopt},
        {"first of two duplicates wins",
         ZipWriter().File("a.txt", "x").File("metadata.brivane", "first").File("metadata.brivane", "second"), "first"},
        {"bad byte becomes U+FFFD", ZipWriter().File("metadata.brivane", "{}\xFF"), "{}\xEF\xBF\xBD"},
        {"empty entry is empty text", ZipWriter().File("metadata.brivane", ""), ""},
        {"prepended stub", ZipWriter().Prepend(std::string(5000, 'S')).File("metadata.brivane", META, 8), META},
        {"data descriptor", Meta({.method = 8, .dataDescriptor = true}), META},
        {"ZIP64 sizes", Meta({.zip64 = true}), META},
        {"more than one chunk", Meta({.data = big, .method = 8}), big},
        // Damage must be reported, not handed on as content.
        {"CRC mismatch", Meta({.data = big, .method = 8, .crc = 1}), std::nullopt, 1},
        {"unsupported compression method", Meta({.data = "\xFF\xFF garbage", .method = 97}), std::nullopt, 1},
        {"encrypted", Meta({.encrypted = true}), std::nullopt, 1},
    };
    test::TempDir dir;
    const std::string path = dir / "case.flip", url = test::FileUrl(path);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.archive.WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookFile(url).GetMetadataSource(url), c.text);
        EXPECT_EQ(log.lines.size(), c.lines);
    }
}

TEST(GetMetadataSource, ReadsTheArchiveItIsGiven) {
    test::TempDir dir;
    ZipWriter().File("metadata.brivane", "mine").WriteTo(dir / "mine.flip");
    ZipWriter().File("metadata.brivane", "other").WriteTo(dir / "other.flip");
    EXPECT_EQ(FlipbookFile(test::FileUrl(dir / "mine.flip")).GetMetadataSource(test::FileUrl(dir / "other.flip")),
              "other");
}

TEST(GetPdfSize, MeasuresTheFirstPdfEntry) {
    const std::string pdf(2048, 'p');
    const std::pair<ZipWriter, std::optional<std::string>> cases[] = {
        {ZipWriter().File("flipbook.pdf", pdf, 8), "2048"},  // uncompressed size, not stored size
        {ZipWriter().File("flipbook.pdf", ""), std::nullopt},
        {ZipWriter().File("flipbook.PDF", pdf), std::nullopt},
        {ZipWriter().File("flipbook.pdf", pdf).File("flipbook.pdf", "x"), "2048"},
        {ZipWriter().Add(
             {.name = "flipbook.pdf", .data = pdf, .method = 8, .zip64 = true, .declaredSize = 5368709120ull}),
         "5368709120"},
        // Only the recorded size counts; a broken CRC is not this check's business.
        {ZipWriter().Add({.name = "flipbook.pdf", .data = pdf, .crc = 7}), "2048"},
    };
    test::TempDir dir;
    const std::string path = dir / "case.flip";
    for (const auto& [archive, size] : cases) {
        SCOPED_TRACE(size.value_or("absent"));
        archive.WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookFile(test::FileUrl(path)).GetPdfSize(), size);
        EXPECT_TRUE(log.lines.empty());
    }
}

constexpr std::uint64_t MIB = 1024 * 1024;

std::string JsonOfSize(std::uint64_t size) {
    std::string text = "{\"pad\":\"";
    text.resize(size - 2, 'x');
    return text + "\"}";
}

// A metadata entry past 16 MiB is unreadable whatever its header claims: the
// declared size is checked before allocating and the real size while reading.
TEST(GetMetadataSource, EntryAbove16MiBIsUnreadableWhateverItsHeaderClaims) {
    const std::pair<test::ZipEntry, bool> cases[] = {
        {{.data = JsonOfSize(16 * MIB), .method = 8}, true},
        {{.data = JsonOfSize(16 * MIB + 1), .method = 8}, false},
        {{.data = "{}", .declaredSize = 0xFFFFFFF0u}, false},                      // declares 4 GiB, holds little
        {{.data = JsonOfSize(17 * MIB), .method = 8, .declaredSize = 10}, false},  // inflates past the bound
    };
    test::TempDir dir;
    const std::string path = dir / "a.flip", url = test::FileUrl(path);
    for (auto [entry, readable] : cases) {
        SCOPED_TRACE(entry.data.size());
        entry.name = "metadata.brivane";
        ZipWriter().Add(entry).File("flipbook.pdf", std::string(2048, 'p')).WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookFile(url).GetMetadataSource(url).has_value(), readable);
        EXPECT_EQ(log.lines.size(), readable ? 0u : 1u);
        EXPECT_EQ(ValidateFlipbookFile(url) == CheckResult::NoMetadata, !readable);
    }
}

}  // namespace
}  // namespace brivane::document
