#include "document/DecodeHTML.h"
#include "document/FlipbookFile.h"
#include "document/FlipbookMeta.h"
#include "document/MetadataValue.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace brivane::document {
namespace {

using nlohmann::json;
using test::Fingerprint;
using test::SamplePdf;
using test::ValidFlipbook;
using test::ZipEntry;
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
    const std::string id = Fingerprint(800, 600, 3, SamplePdf().size());  // of the sample with the default PDF
    const std::string good = WriteMetadata(With({{"id", id}})), META = "metadata.brivane";
    std::string upper = id;
    for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const ValidateCase cases[] = {
        {"valid", ValidFlipbook(), ""},
        {"id in upper case", ValidFlipbook(With({{"id", upper}})), ""},
        {"metadata not JSON", MetadataOnly("<html>"), "ERROR_NO_META", 1},
        {"top-level array passes version, fails fingerprint", MetadataOnly("[1,2]"), "ERROR_CORRUPTED"},
        // The version check comes first and is signed.
        {"app 2 with a broken fingerprint", ValidFlipbook(With({{"app", 2}, {"id", "x"}})), "ERROR_APP_VER"},
        {"app 1.9 reads as 1", ValidFlipbook(With({{"app", 1.9}})), ""},
        {"app as digit string counts as 1, as if missing", ValidFlipbook(With({{"app", "7"}})), ""},
        {"app -3", ValidFlipbook(With({{"app", -3}})), ""},
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
        // The whole entry is the document, however it continues.
        {"NUL after the document", MetadataOnly(std::string(R"({"app":2})") + '\0' + "text"), "ERROR_NO_META", 1},
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

TEST(DecodeHTML, ResolvesReferencesAndDropsMarkupOrLeavesWhatIsNotText) {
    const std::pair<std::string, std::string> cases[] = {
        {"&#169; &#x1F4D6; &eacute;", "\xC2\xA9 \xF0\x9F\x93\x96 \xC3\xA9"},
        {"&lt;b&gt;", "<b>"},
        {"<b>bold</b> word", "bold word"},
        {"K\xC3\xB6ln", "K\xC3\xB6ln"},
        {"a &nosuch; b", "a &nosuch; b"},
        {"<p>A</p><p>B</p>", "A\nB"},
        {"a<br>b", "a\nb"},
        {"<script>alert(1)</script>Title", "Title"},
        {"A<!-- hidden -->B", "AB"},
        {"", ""},
        // Not UTF-8: returned unchanged, with one line.
        {"Tides &amp; \xFF Harbours", "Tides &amp; \xFF Harbours"},
    };
    for (const auto& [html, text] : cases) {
        test::CapturedLines log;
        EXPECT_EQ(decodeHTML(html), text) << html;
        const bool valid = g_utf8_validate(html.data(), static_cast<gssize>(html.size()), nullptr);
        EXPECT_EQ(log.lines, std::vector<std::string>(valid ? 0 : 1, "Error: Unable to convert string to UTF-8 data."))
            << html;
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
        {"empty file", test::FileUrl(d.Write("empty.flip", ""))},
        {"truncated in the data", test::FileUrl(d.Write("cut.flip", valid.substr(0, 200)))},
        {"central directory pointing past the end", test::FileUrl(d.Write("past.flip", pastTheEnd))},
        {"named pipe without writer", test::FileUrl(d / "pipe.flip")},
        {"character device", "file:///dev/zero"},
        {"bare path instead of URL", d.Write("valid.flip", valid)},
    };
    for (const auto& [name, url] : cases) {
        SCOPED_TRACE(name);
        test::CapturedLines log;
        const std::string_view code = CheckCode(ValidateFlipbookFile(url));
        EXPECT_TRUE(code == "ERROR_NO_META" || code == "ERROR_CORRUPTED") << code;
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

// ---- What the check reads: the metadata and PDF entries ----

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
        {"different letter case", ZipWriter().File("Metadata.brivane", META), std::nullopt},
        {"inside a folder", ZipWriter().File("docs/metadata.brivane", META), std::nullopt},
        {"first of two duplicates wins",
         ZipWriter().File("a.txt", "x").File("metadata.brivane", "first").File("metadata.brivane", "second"), "first"},
        {"bad byte becomes U+FFFD", ZipWriter().File("metadata.brivane", "{}\xFF"), "{}\xEF\xBF\xBD"},
        {"empty entry is empty text", ZipWriter().File("metadata.brivane", ""), ""},
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

TEST(GetPdfSize, MeasuresTheFirstPdfEntry) {
    const std::string pdf(2048, 'p');
    const std::pair<ZipWriter, std::optional<std::string>> cases[] = {
        {ZipWriter().File("flipbook.pdf", pdf, 8), "2048"},  // uncompressed size, not stored size
        {ZipWriter().File("flipbook.pdf", ""), std::nullopt},
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
    }
}

// ---- Reading metadata values ----

constexpr auto LARGEST = std::numeric_limits<std::int64_t>::max();
constexpr auto SMALLEST = std::numeric_limits<std::int64_t>::min();

TEST(MetadataValue, TypedReads) {
    // JSON text of the member "v"; its Int(), Text() and String().
    const std::tuple<std::string, std::optional<std::int64_t>, std::string, std::optional<std::string>> cases[] = {
        {"5", 5, "5", std::nullopt},
        {"1.9", 1, "1.9", std::nullopt},
        {"-1.5", -1, "-1.5", std::nullopt},
        // An integral value reads as its plain digits, whatever its notation.
        {"100000.0", 100000, "100000", std::nullopt},
        {"1e20", LARGEST, "100000000000000000000", std::nullopt},
        {"-0.0", 0, "0", std::nullopt},
        {"true", 1, "true", std::nullopt},
        {"\"12\"", std::nullopt, "12", "12"},
        {"null", std::nullopt, "", std::nullopt},
        // Out of the signed 64-bit range: saturate rather than wrap or trap.
        {"18446744073709551615", LARGEST, "18446744073709551615", std::nullopt},
        {"-1e300", SMALLEST, "-1" + std::string(300, '0'), std::nullopt},
        // Shortest digits that read back the same, then zeros: as the page's
        // script writes it.
        {"9223372036854775808.0", LARGEST, "9223372036854776000", std::nullopt},
    };
    for (const auto& [member, asInt, asText, asString] : cases) {
        SCOPED_TRACE(member);
        const auto doc = ParseMetadata("{\"v\":" + member + "}");
        ASSERT_TRUE(doc);
        const MetadataValue v = MetadataValue(*doc)["v"];
        EXPECT_EQ(v.Int(), asInt);
        EXPECT_EQ(v.Text(), asText);
        EXPECT_EQ(v.String(), asString);
    }
}

TEST(MetadataValue, LookupThroughNonObjectsYieldsNull) {
    for (const char* text : {R"({"design":"a string"})", R"({"Design":{"title":"x"}})"}) {
        SCOPED_TRACE(text);
        const auto doc = ParseMetadata(text);
        ASSERT_TRUE(doc);
        const MetadataValue v = MetadataValue(*doc)["design"]["title"];
        EXPECT_EQ(v.Int(), std::nullopt);
        EXPECT_EQ(v.Text(), "");
        EXPECT_EQ(v.String(), std::nullopt);
    }
}

std::string Nested(std::size_t depth, const std::string& inner = "1") {
    return std::string(depth, '[') + inner + std::string(depth, ']');
}

TEST(MetadataValue, ParseAcceptsOnlyObjectsAndArrays) {
    const std::pair<std::string, bool> cases[] = {
        {"{}", true},
        {"[]", true},
        {"\xEF\xBB\xBF{\"app\":1}", true},
        {"", false},
        {"5", false},
        {"{\"a\":NaN}", false},
        {"{} trailing", false},
        // The whole text is the document: a NUL does not end it early.
        {std::string("{\"app\":2}\0trailing", 18), false},
        {"{\"a\":\"x\\u0000y\"}", true},
        // Depth is bounded before anything walks the document.
        {Nested(MAX_JSON_DEPTH), true},
        {Nested(MAX_JSON_DEPTH + 1), false},
        {Nested(100000), false},
        {"{\"a\":" + Nested(MAX_JSON_DEPTH) + "}", false},
        {Nested(MAX_JSON_DEPTH, "\"[[[[\\\"{{\""), true},  // brackets inside strings are text
    };
    for (const auto& [text, parses] : cases) EXPECT_EQ(ParseMetadata(text).has_value(), parses) << text.substr(0, 40);
}

}  // namespace
}  // namespace brivane::document
