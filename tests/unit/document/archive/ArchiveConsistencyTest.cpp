#include "document/CheckResult.h"
#include "document/FlipbookMeta.h"
#include "document/archive/ArchiveExtractor.h"
#include "document/archive/HeaderFields.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brivane::document {
namespace {

namespace fs = std::filesystem;
using test::ZipWriter;

constexpr auto Field = LittleEndianField;

constexpr auto Le = test::LittleEndian;

std::string EndRecord(std::size_t count, std::size_t size, std::size_t offset, std::size_t commentLength) {
    return "PK\x05\x06" + Le(0, 4) + Le(count, 2) + Le(count, 2) + Le(size, 4) + Le(offset, 4) + Le(commentLength, 2);
}

// An archive without a comment, cut where its central directory begins.
struct Layout {
    std::string body, directory;
    std::size_t count = 0;

    explicit Layout(const std::string& zip) {
        const std::string end = zip.substr(zip.size() - 22);
        count = Field(end, 8, 2);
        body = zip.substr(0, Field(end, 16, 4));
        directory = zip.substr(body.size(), Field(end, 12, 4));
    }

    // Each central header on its own.
    std::vector<std::string> Headers() const {
        std::vector<std::string> headers;
        for (std::size_t at = 0; at < directory.size();) {
            const std::size_t length =
                46 + Field(directory, at + 28, 2) + Field(directory, at + 30, 2) + Field(directory, at + 32, 2);
            headers.push_back(directory.substr(at, length));
            at += length;
        }
        return headers;
    }
};

const std::string PDF_BYTES = test::SamplePdf(4096);
const std::string DECOY = [] {
    std::string decoy = "%PDF-1.5\n% not the book's";
    decoy.resize(PDF_BYTES.size(), 'd');
    return decoy;
}();

std::string Book() { return test::ValidFlipbook(test::SampleMetadata(), PDF_BYTES).Bytes(); }

// body and its directory first, then a second directory in the comment of
// the first's end record, with an end record of its own.
std::string TwoEnds(const std::string& body, const std::string& first, const std::string& second, std::size_t count) {
    const std::size_t secondAt = body.size() + first.size() + 22;
    return body + first + EndRecord(count, first.size(), body.size(), second.size() + 22) + second +
           EndRecord(count, second.size(), secondAt, 0);
}

// The book's entries and a decoy PDF under the same name, size and CRC-32,
// then two directories that differ only in which of the two PDFs they name.
std::string TwoDirectories(bool decoyBeforePdf, bool decoyDirectoryFirst) {
    auto meta = test::SampleMetadata();
    meta["id"] = test::Fingerprint(800, 600, 3, PDF_BYTES.size());
    const test::ZipEntry decoy{.name = "flipbook.pdf", .data = DECOY, .crc = test::Crc32(PDF_BYTES)};
    ZipWriter zip;
    zip.File("metadata.brivane", WriteMetadata(meta), 8);
    if (decoyBeforePdf) zip.Add(decoy);
    zip.File("flipbook.pdf", PDF_BYTES);
    if (!decoyBeforePdf) zip.Add(decoy);
    const Layout all(zip.Bytes());
    const auto headers = all.Headers();
    const std::string real = headers[0] + headers[decoyBeforePdf ? 2 : 1];
    const std::string other = headers[0] + headers[decoyBeforePdf ? 1 : 2];
    return decoyDirectoryFirst ? TwoEnds(all.body, other, real, 2) : TwoEnds(all.body, real, other, 2);
}

// The book's one directory followed by an end record whose comment is `comment`.
std::string WithComment(const std::string& comment) {
    const Layout book(Book());
    return book.body + book.directory + EndRecord(book.count, book.directory.size(), book.body.size(), comment.size()) +
           comment;
}

std::string ChangedCrcInSecondDirectory() {
    const Layout book(Book());
    std::string other = book.directory;
    other.replace(16, 4, Le(0x12345678, 4));  // the first entry's CRC-32
    return TwoEnds(book.body, book.directory, other, book.count);
}

struct ConsistencyCase {
    const char* name;
    std::string bytes;
    bool opens;
};

// Two readers of one archive must never find two different PDFs in it: the
// file check and the unpacker both refuse an archive whose end records lead
// to directories that disagree, and both still take odd but single-minded ones.
TEST(ArchiveConsistency, EndRecordsThatDisagreeAreRefusedByTheCheckAndTheUnpacker) {
    const Layout book(Book());
    const ConsistencyCase cases[] = {
        {"one end record", Book(), true},
        {"the last end record sends the PDF to a decoy before it", TwoDirectories(true, false), false},
        {"the last end record sends the PDF to a decoy after it", TwoDirectories(false, false), false},
        {"the first end record sends the PDF to a decoy after it", TwoDirectories(false, true), false},
        {"a second directory with another CRC-32", ChangedCrcInSecondDirectory(), false},
        {"the comment merely holds the signature", WithComment("see PK\x05\x06 here, and nothing more"), true},
        {"the comment holds an empty end record", WithComment(EndRecord(0, 0, 0, 0)), true},
        {"the comment repeats the end record",
         WithComment(EndRecord(book.count, book.directory.size(), book.body.size(), 0)), true},
        {"a stub before the archive, offsets from the file's start",
         test::ValidFlipbook(test::SampleMetadata(), PDF_BYTES).Prepend(std::string(3000, 'S')).Bytes(), true},
        // Neither libzip nor we guess how far a stub moved the offsets.
        {"a stub before the archive, offsets from the archive's start", std::string(3000, 'S') + Book(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string archive = dir / "book.flip";
        test::Write(archive, c.bytes);
        EXPECT_EQ(ValidateFlipbookFile(test::FileUrl(archive)) == CheckResult::Accepted, c.opens);

        fs::create_directory(dir / "data");
        const auto unpacked = ArchiveExtractor::Unpack(archive, dir / "data");
        if (c.opens) {
            EXPECT_TRUE(unpacked) << unpacked.Failure().Line();
            EXPECT_EQ(test::Read(dir / "data/flipbook.pdf"), PDF_BYTES);
        } else {
            ASSERT_FALSE(unpacked);
            EXPECT_EQ(unpacked.Failure().cause, UnpackFailure::Cause::Damaged) << unpacked.Failure().Line();
            EXPECT_FALSE(fs::exists(dir / "data/flipbook.pdf"));
        }
    }
}

}  // namespace
}  // namespace brivane::document
