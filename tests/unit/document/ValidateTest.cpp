#include "document/FlipbookMeta.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace brivane::document {
namespace {

using nlohmann::json;
using test::Fingerprint;
using test::SamplePdf;
using test::ValidFlipbook;
using test::ZipWriter;

// The sample metadata with these members replaced.
json With(const json& members) {
    json meta = test::SampleMetadata();
    meta.update(members);
    return meta;
}

ZipWriter MetadataOnly(std::string text) {
    return ZipWriter().File("metadata.brivane", std::move(text)).File("flipbook.pdf", SamplePdf());
}

struct ValidateCase {
    const char* name;
    ZipWriter archive;
    const char* code;
    std::size_t parseLines = 0;
};

TEST(ValidateFlipbookFile, AnswersTheRightCode) {
    const json sample = test::SampleMetadata();
    json noApp = sample;
    noApp.erase("app");
    const std::string id = Fingerprint(800, 600, 3, SamplePdf().size());  // of the sample with the default PDF
    const std::string good = WriteMetadata(With({{"id", id}})), META = "metadata.brivane";
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    std::string upper = id;
    for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const ValidateCase cases[] = {
        {"valid", ValidFlipbook(), ""},
        {"slashes unescaped", MetadataOnly(With({{"id", id}}).dump()), ""},
        {"id in upper case", ValidFlipbook(With({{"id", upper}})), ""},
        {"no metadata entry", ZipWriter().File("flipbook.pdf", SamplePdf()), "ERROR_NO_META"},
        {"metadata not JSON", MetadataOnly("<html>"), "ERROR_NO_META", 1},
        {"top-level array passes version, fails fingerprint", MetadataOnly("[1,2]"), "ERROR_CORRUPTED"},
        // The version check comes first and is signed.
        {"app 2 with a broken fingerprint", ValidFlipbook(With({{"app", 2}, {"id", "x"}})), "ERROR_APP_VER"},
        {"app 1.9 reads as 1", ValidFlipbook(With({{"app", 1.9}})), ""},
        {"app as digit string counts as 1", ValidFlipbook(With({{"app", "7"}})), ""},
        {"app -3", ValidFlipbook(With({{"app", -3}})), ""},
        {"app missing", ValidFlipbook(noApp), ""},
        {"app beyond 64 bits", MetadataOnly(R"({"app":18446744073709551616})"), "ERROR_APP_VER"},
        // Fingerprint.
        {"id 40 characters", ValidFlipbook(With({{"id", id.substr(0, 40)}})), "ERROR_CORRUPTED"},
        {"id 42 characters", ValidFlipbook(With({{"id", id + "0"}})), "ERROR_CORRUPTED"},
        {"id missing", MetadataOnly(sample.dump()), "ERROR_CORRUPTED"},
        {"width as digit string is missing", ValidFlipbook(With({{"width", "800"}, {"id", id}})), "ERROR_CORRUPTED"},
        {"width 800.7 counts as 800", ValidFlipbook(With({{"width", 800.7}, {"id", id}})), ""},
        {"negative height and no pages", ValidFlipbook(With({{"height", -1}, {"num_pages", 0}})), ""},
        {"width edited after id was made", ValidFlipbook(With({{"width", 801}, {"id", id}})), "ERROR_CORRUPTED"},
        {"PDF of another size", ValidFlipbook(With({{"id", id}}), SamplePdf(2049)), "ERROR_CORRUPTED"},
        {"no PDF entry", ZipWriter().File("metadata.brivane", With({{"id", id}}).dump()).File("flipbook.pd", "x"),
         "ERROR_CORRUPTED"},
        {"empty PDF entry", ValidFlipbook(sample, ""), "ERROR_CORRUPTED"},
        {"second PDF entry ignored", ValidFlipbook(sample, SamplePdf(), {{.name = "flipbook.pdf", .data = "short"}}),
         ""},
        // The whole entry is the document, however it continues.
        {"NUL after the document", MetadataOnly(std::string(R"({"app":2})") + '\0' + "text"), "ERROR_NO_META", 1},
        {"nested 100000 levels", MetadataOnly(R"({"app":1,"x":)" + deep + "}"), "ERROR_NO_META", 1},
        // Names come from the header bytes, never from a Unicode Path extra
        // field.
        {"Unicode Path field names another entry the metadata",
         ZipWriter()
             .Add({.name = "other.txt", .data = good, .extra = test::UnicodePathField("other.txt", META)})
             .File("flipbook.pdf", SamplePdf()),
         "ERROR_NO_META"},
        {"Unicode Path field renames the metadata",
         ZipWriter()
             .Add({.name = META, .data = good, .extra = test::UnicodePathField(META, "other.txt")})
             .File("flipbook.pdf", SamplePdf()),
         ""},
    };
    test::TempDir dir;
    const std::string path = dir / "case.flip";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.archive.WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(CheckCode(ValidateFlipbookFile(test::FileUrl(path))), c.code);
        EXPECT_EQ(log.lines, std::vector<std::string>(c.parseLines, "Error parsing metadata GetMetadataSource"));
    }
}

TEST(ContentFingerprint, IsTheFirst41HexDigitsOfSha256) {
    // Reference digests from an independent SHA-256 implementation.
    EXPECT_EQ(ContentFingerprint("800-600-20-1048576"), "f9c62db06a89c4885fd5d8b6223a3e9d97f273253");
    EXPECT_EQ(ContentFingerprint("800--1-0-1048576"), "215184f4a91633e24e307543631445bb5e8a442b9");
}

TEST(FlipbookMeta, GetTitleJoinsTitleAndSubtitle) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"design":{"title":"A","subtitle":"B"}})", "A - B"},
        {R"({"design":{"title":"A"}})", "A"},
        {R"({"design":{"subtitle":"B","title":""}})", "B"},
        {R"({"design":{"title":7}})", "7"},
        {R"({"design":{"title":"Tides &amp; Harbours"}})", "Tides &amp; Harbours"},  // entities left for the caller
        {"{", ""},
    };
    test::TempDir dir;
    const std::string path = dir / "case.flip";
    for (const auto& [metadata, title] : cases) {
        SCOPED_TRACE(metadata);
        ZipWriter().File("metadata.brivane", metadata).WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookMeta(test::FileUrl(path)).GetTitle(), title);
    }
}

TEST(ValidateFlipbookFile, HostileInputIsNeverAcceptedNorCrashes) {
    test::TempDir d;
    const std::string valid = test::ValidFlipbook().Bytes();
    std::string pastTheEnd = valid;
    pastTheEnd.replace(pastTheEnd.size() - 6, 4, "\xF0\xFF\xFF\x7F");  // central directory offset
    mkfifo((d / "pipe.flip").c_str(), 0600);
    const std::pair<const char*, std::string> cases[] = {
        {"missing path", test::FileUrl(d / "nothing.flip")},
        {"a directory", test::FileUrl(d.Path())},
        {"plain text file", test::FileUrl(d.Write("text.flip", "hello, world\n"))},
        {"empty file", test::FileUrl(d.Write("empty.flip", ""))},
        {"truncated in the data", test::FileUrl(d.Write("cut.flip", valid.substr(0, 200)))},
        {"central directory pointing past the end", test::FileUrl(d.Write("past.flip", pastTheEnd))},
        {"named pipe without writer", test::FileUrl(d / "pipe.flip")},
        {"character device", "file:///dev/zero"},
        {"not a file URL", "https://brivane.example/a.flip"},
        {"malformed URL", "file://%zz"},
        {"bare path instead of URL", d.Write("valid.flip", valid)},
    };
    for (const auto& [name, url] : cases) {
        SCOPED_TRACE(name);
        test::CapturedLines log;
        const std::string_view code = CheckCode(ValidateFlipbookFile(url));
        EXPECT_TRUE(code == "ERROR_NO_META" || code == "ERROR_CORRUPTED") << code;
        EXPECT_EQ(FlipbookMeta(url).GetTitle(), "");
        EXPECT_LE(log.lines.size(), 6u);
    }
}

TEST(ValidateFlipbookFile, UnreadableFileIsMissingMetadata) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    test::TempDir dir;
    const std::string path = dir.Write("a.flip", test::ValidFlipbook().Bytes());
    chmod(path.c_str(), 0);
    test::CapturedLines log;
    EXPECT_EQ(ValidateFlipbookFile(test::FileUrl(path)), CheckResult::NoMetadata);
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace brivane::document
