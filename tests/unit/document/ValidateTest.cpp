#include "CapturedLines.h"
#include "FlipbookMeta.h"
#include "Flipbooks.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

using nlohmann::json;
using test::Fingerprint;
using test::SampleMetadata;
using test::SamplePdf;
using test::ValidFlipbook;
using test::ZipWriter;

constexpr const char* kParseLine = "Error parsing metadata GetMetadataSource";

json With(json meta, const std::string& key, json value) {
    meta[key] = std::move(value);
    return meta;
}
json Without(json meta, const std::string& key) {
    meta.erase(key);
    return meta;
}
// The id of the sample geometry with the default PDF.
std::string SampleId() { return Fingerprint(800, 600, 3, SamplePdf().size()); }

ZipWriter MetadataOnly(std::string text) {
    return ZipWriter().File("metadata.brivane", std::move(text)).File("flipbook.pdf", SamplePdf());
}

struct ValidateCase {
    const char* name;
    ZipWriter archive;
    const char* code;
    std::size_t parseLines = 0;
};

std::vector<ValidateCase> Cases() {
    const json sample = SampleMetadata();
    std::string upper = SampleId();
    for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return {
        {"valid", ValidFlipbook(), ""},
        {"slashes unescaped", MetadataOnly(With(sample, "id", SampleId()).dump()), ""},
        {"id in upper case", ValidFlipbook(With(sample, "id", upper)), ""},
        {"byte order mark before the document", MetadataOnly("\xEF\xBB\xBF" + With(sample, "id", SampleId()).dump()),
         ""},
        {"no metadata entry", ZipWriter().File("flipbook.pdf", SamplePdf()), "ERROR_NO_META"},
        {"metadata in a folder", ZipWriter().File("x/metadata.brivane", "{}").File("flipbook.pdf", SamplePdf()),
         "ERROR_NO_META"},
        {"empty metadata", MetadataOnly(""), "ERROR_NO_META", 1},
        {"metadata not JSON", MetadataOnly("<html>"), "ERROR_NO_META", 1},
        {"top-level number", MetadataOnly("5"), "ERROR_NO_META", 1},
        {"top-level array passes version, fails fingerprint", MetadataOnly("[1,2]"), "ERROR_CORRUPTED"},
        // The version check comes first and is signed.
        {"app 2 with a broken fingerprint", ValidFlipbook(With(With(sample, "app", 2), "id", "x")), "ERROR_APP_VER"},
        {"app 2", ValidFlipbook(With(sample, "app", 2)), "ERROR_APP_VER"},
        {"app 1.9 reads as 1", ValidFlipbook(With(sample, "app", 1.9)), ""},
        {"app as digit string counts as 1", ValidFlipbook(With(sample, "app", "7")), ""},
        {"app -3", ValidFlipbook(With(sample, "app", -3)), ""},
        {"app missing", ValidFlipbook(Without(sample, "app")), ""},
        {"App in capitals is not read", ValidFlipbook(With(Without(sample, "app"), "App", 9)), ""},
        {"app beyond 64 bits", MetadataOnly(R"({"app":18446744073709551616})"), "ERROR_APP_VER"},
        {"app -1e300 then no geometry", MetadataOnly(R"({"app":-1e300})"), "ERROR_CORRUPTED"},
        // Fingerprint.
        {"id 40 characters", ValidFlipbook(With(sample, "id", SampleId().substr(0, 40))), "ERROR_CORRUPTED"},
        {"id 42 characters", ValidFlipbook(With(sample, "id", SampleId() + "0")), "ERROR_CORRUPTED"},
        {"id missing",
         ZipWriter().File("metadata.brivane", Without(sample, "id").dump()).File("flipbook.pdf", SamplePdf()),
         "ERROR_CORRUPTED"},
        {"id as a number", MetadataOnly(R"({"width":1,"height":1,"num_pages":1,"id":12345})"), "ERROR_CORRUPTED"},
        {"width as digit string is missing", ValidFlipbook(With(With(sample, "width", "800"), "id", SampleId())),
         "ERROR_CORRUPTED"},
        {"width 800.7 counts as 800", ValidFlipbook(With(With(sample, "width", 800.7), "id", SampleId())), ""},
        {"Width in capitals is not read",
         ValidFlipbook(With(Without(sample, "width"), "Width", 800), SamplePdf()), "ERROR_CORRUPTED"},
        {"num_pages missing", ValidFlipbook(With(Without(sample, "num_pages"), "id", SampleId())), "ERROR_CORRUPTED"},
        {"negative height and no pages",
         ValidFlipbook(With(With(With(sample, "height", -1), "num_pages", 0), "id",
                            Fingerprint(800, -1, 0, SamplePdf().size()))),
         ""},
        {"width edited after id was made", ValidFlipbook(With(With(sample, "width", 801), "id", SampleId())),
         "ERROR_CORRUPTED"},
        {"PDF of another size", ValidFlipbook(With(sample, "id", SampleId()), SamplePdf(2049)), "ERROR_CORRUPTED"},
        {"no PDF entry",
         ZipWriter().File("metadata.brivane", With(sample, "id", SampleId()).dump()).File("flipbook.pd", SamplePdf()),
         "ERROR_CORRUPTED"},
        {"empty PDF entry", ValidFlipbook(sample, ""), "ERROR_CORRUPTED"},
        {"second PDF entry ignored",
         ValidFlipbook(sample, SamplePdf(), {test::ZipEntry{.name = "flipbook.pdf", .data = "short"}}), ""},
        {"id made from the second PDF entry", ValidFlipbook(With(sample, "id", Fingerprint(800, 600, 3, 5)),
                                                            SamplePdf(), {test::ZipEntry{.name = "flipbook.pdf", .data = "short"}}),
         "ERROR_CORRUPTED"},
    };
}

TEST(ValidateFlipbookFile, AnswersTheRightCode) {
    test::TempDir dir;
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "case.flip";
        c.archive.WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(ValidateFlipbookFile(test::FileUrl(path)), c.code);
        std::size_t parseLines = 0;
        for (const auto& line : log.lines) parseLines += line == kParseLine;
        EXPECT_EQ(parseLines, c.parseLines);
        EXPECT_EQ(log.lines.size(), c.parseLines);
    }
}

TEST(ContentFingerprint, IsTheFirst41HexDigitsOfSha256) {
    // Reference digests from an independent SHA-256 implementation.
    EXPECT_EQ(ContentFingerprint("800-600-20-1048576"), "f9c62db06a89c4885fd5d8b6223a3e9d97f273253");
    EXPECT_EQ(ContentFingerprint("800--1-0-1048576"), "215184f4a91633e24e307543631445bb5e8a442b9");
}

struct TitleCase {
    const char* name;
    std::string metadata;
    std::string title;
};

const TitleCase kTitles[] = {
    {"title and subtitle", R"({"design":{"title":"A","subtitle":"B"}})", "A - B"},
    {"title only", R"({"design":{"title":"A"}})", "A"},
    {"subtitle only", R"({"design":{"subtitle":"B","title":""}})", "B"},
    {"number title", R"({"design":{"title":7}})", "7"},
    {"boolean subtitle", R"({"design":{"title":"A","subtitle":false}})", "A - false"},
    {"null title", R"({"design":{"title":null,"subtitle":"B"}})", "B"},
    {"design is a string", R"({"design":"A"})", ""},
    {"no design", R"({"title":"A"})", ""},
    {"entities left for the caller", R"({"design":{"title":"Tides &amp; Harbours"}})", "Tides &amp; Harbours"},
    {"unparsable metadata", "{", ""},
};

TEST(FlipbookMeta, GetTitleJoinsTitleAndSubtitle) {
    test::TempDir dir;
    for (const auto& c : kTitles) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "case.flip";
        ZipWriter().File("metadata.brivane", c.metadata).WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookMeta(test::FileUrl(path)).GetTitle(), c.title);
    }
}

}  // namespace
}  // namespace brivane::document
