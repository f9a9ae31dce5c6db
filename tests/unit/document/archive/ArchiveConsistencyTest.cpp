#include "document/CheckResult.h"
#include "document/FlipbookMeta.h"
#include "document/archive/ArchiveExtractor.h"
#include "document/archive/HeaderFields.h"
#include "tests/support/WorkspaceFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brivane::document {
namespace {

namespace fs = std::filesystem;

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
// then two directories that differ only in which of the two PDFs they name:
// the book's own, and one whose PDF header is the decoy's (as long: the same
// name, no extra field).
std::string TwoDirectories(bool decoyDirectoryFirst) {
    const test::ZipEntry decoy{.name = "flipbook.pdf", .data = DECOY, .crc = test::Crc32(PDF_BYTES)};
    const Layout book(Book()), all(test::ValidFlipbook(test::SampleMetadata(), PDF_BYTES, {decoy}).Bytes());
    const std::size_t pdfAt = 2 * book.directory.size() - all.directory.size();
    const std::string real = book.directory, other = real.substr(0, pdfAt) + all.directory.substr(real.size());
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
        {"the last end record sends the PDF to a decoy", TwoDirectories(false), false},
        {"the first end record sends the PDF to a decoy", TwoDirectories(true), false},
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
        const test::Unpacking u;
        const auto unpacked = u.Unpack(c.bytes);
        EXPECT_EQ(ValidateFlipbookFile(test::FileUrl(u.archive)) == CheckResult::Accepted, c.opens);
        if (c.opens) {
            EXPECT_TRUE(unpacked) << unpacked.Failure().Line();
            EXPECT_EQ(test::Read(u.dest + "/flipbook.pdf"), PDF_BYTES);
        } else {
            ASSERT_FALSE(unpacked);
            EXPECT_EQ(unpacked.Failure().cause, UnpackFailure::Cause::Damaged) << unpacked.Failure().Line();
            EXPECT_FALSE(fs::exists(u.dest + "/flipbook.pdf"));
        }
    }
}

}  // namespace
}  // namespace brivane::document
