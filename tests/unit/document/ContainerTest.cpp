#include "CapturedLines.h"
#include "FlipbookFile.h"
#include "TempDir.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

using test::ZipEntry;
using test::ZipWriter;

ZipEntry Entry(std::string name, std::string data, void (*tweak)(ZipEntry&) = nullptr) {
    ZipEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    if (tweak) tweak(e);
    return e;
}

struct MetadataCase {
    const char* name;
    ZipWriter archive;
    std::optional<std::string> text;
    std::size_t lines;  // diagnostic lines expected
};

std::vector<MetadataCase> MetadataCases() {
    const std::string meta = R"({"app":1})";
    return {
        {"stored", ZipWriter().File("metadata.brivane", meta), meta, 0},
        {"deflated", ZipWriter().File("metadata.brivane", meta, 8), meta, 0},
        {"name without UTF-8 flag",
         ZipWriter().Add(Entry("metadata.brivane", meta, [](ZipEntry& e) { e.utf8Flag = false; })), meta, 0},
        {"different letter case", ZipWriter().File("Metadata.brivane", meta), std::nullopt, 0},
        {"inside a folder", ZipWriter().File("docs/metadata.brivane", meta), std::nullopt, 0},
        {"first of two duplicates wins",
         ZipWriter().File("a.txt", "x").File("metadata.brivane", "first").File("metadata.brivane", "second"),
         "first", 0},
        {"bad byte becomes U+FFFD", ZipWriter().File("metadata.brivane", "{}\xFF"), "{}\xEF\xBF\xBD", 0},
        {"byte order mark kept", ZipWriter().File("metadata.brivane", "\xEF\xBB\xBF{}"), "\xEF\xBB\xBF{}", 0},
        {"empty entry is empty text", ZipWriter().File("metadata.brivane", ""), "", 0},
        {"prepended stub", ZipWriter().Prepend(std::string(5000, 'S')).File("metadata.brivane", meta, 8), meta, 0},
        {"data descriptor",
         ZipWriter().Add(Entry("metadata.brivane", meta, [](ZipEntry& e) { e.dataDescriptor = true; e.method = 8; })),
         meta, 0},
        {"ZIP64 sizes", ZipWriter().Add(Entry("metadata.brivane", meta, [](ZipEntry& e) { e.zip64 = true; })), meta, 0},
        {"more than one chunk", ZipWriter().File("metadata.brivane", std::string(40000, 'm'), 8),
         std::string(40000, 'm'), 0},
        // Damage must be reported, not handed on as content.
        {"stored CRC mismatch",
         ZipWriter().Add(Entry("metadata.brivane", meta, [](ZipEntry& e) { e.crc = 0x12345678; })), std::nullopt, 1},
        {"deflated CRC mismatch",
         ZipWriter().Add(Entry("metadata.brivane", std::string(40000, 'm'), [](ZipEntry& e) {
             e.method = 8;
             e.crc = 1;
         })),
         std::nullopt, 1},
        {"unsupported compression method",
         ZipWriter().Add(Entry("metadata.brivane", "\xFF\xFF\xFF\xFF garbage", [](ZipEntry& e) { e.method = 97; })),
         std::nullopt, 1},
        {"encrypted", ZipWriter().Add(Entry("metadata.brivane", meta, [](ZipEntry& e) { e.encrypted = true; })),
         std::nullopt, 1},
    };
}

TEST(GetMetadataSource, ReadsTheRightEntryOrReportsDamage) {
    test::TempDir dir;
    for (const auto& c : MetadataCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "case.flip";
        c.archive.WriteTo(path);
        test::CapturedLines log;
        const std::string url = test::FileUrl(path);
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

struct PdfSizeCase {
    const char* name;
    ZipWriter archive;
    std::optional<std::string> size;
};

std::vector<PdfSizeCase> PdfSizeCases() {
    const std::string pdf(2048, 'p');
    return {
        {"stored", ZipWriter().File("flipbook.pdf", pdf), "2048"},
        {"deflated", ZipWriter().File("flipbook.pdf", pdf, 8), "2048"},
        {"zero bytes is absent", ZipWriter().File("flipbook.pdf", ""), std::nullopt},
        {"missing", ZipWriter().File("flipbook.PDF", pdf), std::nullopt},
        {"inside a folder", ZipWriter().File("docs/flipbook.pdf", pdf), std::nullopt},
        {"first of two duplicates", ZipWriter().File("flipbook.pdf", pdf).File("flipbook.pdf", "x"), "2048"},
        {"data descriptor",
         ZipWriter().Add(Entry("flipbook.pdf", pdf, [](ZipEntry& e) { e.dataDescriptor = true; })), "2048"},
        {"ZIP64 size past 4 GiB",
         ZipWriter().Add(Entry("flipbook.pdf", pdf, [](ZipEntry& e) {
             e.zip64 = true;
             e.method = 8;
             e.declaredSize = 5368709120ull;
         })),
         "5368709120"},
        // Only the recorded size counts; a broken CRC is not this check's business.
        {"damaged data still measured", ZipWriter().Add(Entry("flipbook.pdf", pdf, [](ZipEntry& e) { e.crc = 7; })),
         "2048"},
    };
}

TEST(GetPdfSize, MeasuresTheFirstPdfEntry) {
    test::TempDir dir;
    for (const auto& c : PdfSizeCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "case.flip";
        c.archive.WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookFile(test::FileUrl(path)).GetPdfSize(), c.size);
        EXPECT_TRUE(log.lines.empty());
    }
}

}  // namespace
}  // namespace brivane::document
