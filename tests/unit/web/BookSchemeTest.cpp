#include "web/BookScheme.h"
#include "web/ByteRange.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace brivane::web {
namespace {

using Kind = ByteRange::Kind;

TEST(ByteRangeTest, RangeHeadersAgainstAFileOf1000Bytes) {
    const struct {
        std::optional<std::string> header;
        Kind kind;
        std::uint64_t first, length;
    } cases[] = {
        {std::nullopt, Kind::Whole, 0, 1000},
        {"bytes=0-99", Kind::Part, 0, 100},
        {"Bytes=900-", Kind::Part, 900, 100},
        {"bytes=990-5000", Kind::Part, 990, 10},  // the end is clamped
        {"bytes=-10", Kind::Part, 990, 10},       // the last ten bytes
        {"bytes=-5000", Kind::Part, 0, 1000},
        {"bytes=1000-", Kind::Unsatisfiable, 0, 0},  // starts past the end
        {"bytes=-0", Kind::Unsatisfiable, 0, 0},
        {"bytes=50-10", Kind::Whole, 0, 1000},    // malformed: ignored
        {"bytes=0-1,5-6", Kind::Whole, 0, 1000},  // lists are answered whole
        {"bytes=+5-9", Kind::Whole, 0, 1000},
        {"items=0-9", Kind::Whole, 0, 1000},
        {"bytes=99999999999999999999999-", Kind::Whole, 0, 1000},
    };
    for (const auto& c : cases) {
        const auto range = ByteRange::Of(c.header, 1000);
        EXPECT_EQ(range.kind, c.kind) << c.header.value_or("(none)");
        EXPECT_EQ(range.first, c.first) << c.header.value_or("(none)");
        EXPECT_EQ(range.length, c.length) << c.header.value_or("(none)");
    }
    EXPECT_EQ(ByteRange::Of("bytes=0-", 0).kind, Kind::Unsatisfiable);
}

std::string Header(const BookScheme::Reply& reply, const std::string& name) {
    for (const auto& [key, value] : reply.headers)
        if (key == name) return value;
    return "";
}

// Two windows' workspaces side by side, a file outside both, and links that
// lead from the first workspace to each.
struct Workspaces {
    test::TempDir dir;
    std::string mine = dir / "Book-abc", other = dir / "Other-def";
    Workspaces() {
        dir.Write("Book-abc/data/flipbook.pdf", std::string(1000, 'p'));
        dir.Write("Book-abc/data/files/backgrounds/sea.jpg", "jpeg");
        dir.Write("Other-def/data/flipbook.pdf", "other");
        dir.Write("outside.txt", "secret");
        std::filesystem::create_symlink(dir / "outside.txt", mine + "/data/files/out.jpg");
        std::filesystem::create_symlink(other + "/data", mine + "/data/files/other");
        std::filesystem::create_symlink(mine + "/data/flipbook.pdf", mine + "/data/files/pdf-again.pdf");
    }
    std::string Uri(const std::string& path) const { return std::string("brivane-book://") + path; }
};

TEST(BookSchemeTest, ServesOnlyFilesInsideTheViewsOwnWorkspace) {
    Workspaces w;
    const struct {
        std::string uri;
        bool served;
    } cases[] = {
        {w.Uri(w.mine + "/data/flipbook.pdf"), true},
        {w.Uri(w.mine + "/data/files/backgrounds//sea.jpg"), true},  // the configuration's doubled slash
        {w.Uri(w.mine + "/data/files/pdf-again.pdf"), true},         // a link that stays inside
        {w.Uri(w.mine + "/data/flip%62ook.pdf?x=1#page=2"), true},
        {w.Uri(w.other + "/data/flipbook.pdf"), false},  // another window's workspace
        {w.Uri(w.mine + "/data/../../outside.txt"), false},
        {w.Uri(w.mine + "/data/./flipbook.pdf"), false},
        {w.Uri(w.mine + "/data/%2e%2e/%2e%2e/outside.txt"), false},
        {w.Uri(w.mine + "/data%2f..%2f..%2foutside.txt"), false},
        {w.Uri(w.mine + "/data/..%5c..%5coutside.txt"), false},
        {w.Uri(w.mine + "/data/flipbook.pdf%00.jpg"), false},
        {w.Uri(w.mine + "/data/%zz"), false},
        {w.Uri(w.mine + "/data/files/out.jpg"), false},             // a link that leads out
        {w.Uri(w.mine + "/data/files/other/flipbook.pdf"), false},  // a link into the other workspace
        {w.Uri(w.mine + "/data/files"), false},                     // a directory
        {w.Uri(w.mine + "/data/missing.pdf"), false},
        {"brivane-book://host" + w.mine + "/data/flipbook.pdf", false},
        {"file://" + w.mine + "/data/flipbook.pdf", false},
        {w.Uri("data/flipbook.pdf"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BookScheme::Resolve(c.uri, w.mine).has_value(), c.served) << c.uri;
        EXPECT_EQ(BookScheme::Answer(c.uri, "GET", std::nullopt, w.mine).status, c.served ? 200 : 404) << c.uri;
    }
    // A view that was given no workspace gets nothing.
    EXPECT_EQ(BookScheme::Answer(w.Uri(w.mine + "/data/flipbook.pdf"), "GET", std::nullopt, std::nullopt).status, 404);
}

TEST(BookSchemeTest, AnswersRangesWithTheirStatusHeadersAndSlice) {
    Workspaces w;
    const std::string pdf = w.Uri(w.mine + "/data/flipbook.pdf");
    const struct {
        std::string method;
        std::optional<std::string> range;
        int status;
        std::string contentRange, contentLength;
        std::uint64_t offset, length;
    } cases[] = {
        {"GET", std::nullopt, 200, "", "1000", 0, 1000},
        {"GET", "bytes=100-199", 206, "bytes 100-199/1000", "100", 100, 100},
        {"GET", "bytes=1000-1999", 416, "bytes */1000", "0", 0, 0},
        {"HEAD", "bytes=0-9", 206, "bytes 0-9/1000", "10", 0, 0},  // headers only
        {"POST", std::nullopt, 405, "", "", 0, 0},
    };
    for (const auto& c : cases) {
        const auto reply = BookScheme::Answer(pdf, c.method, c.range, w.mine);
        const std::string what = c.method + " " + c.range.value_or("(none)");
        EXPECT_EQ(reply.status, c.status) << what;
        EXPECT_EQ(Header(reply, "Content-Range"), c.contentRange) << what;
        EXPECT_EQ(Header(reply, "Content-Length"), c.contentLength) << what;
        EXPECT_EQ(reply.offset, c.offset) << what;
        EXPECT_EQ(reply.length, c.length) << what;
        EXPECT_EQ(reply.file.empty(), c.length == 0) << what;
        if (c.status == 200 || c.status == 206) {
            EXPECT_EQ(Header(reply, "Accept-Ranges"), "bytes") << what;
            EXPECT_EQ(reply.contentType, "application/pdf") << what;
        }
    }
    // The page's origin differs from the scheme's; it may read the range headers.
    const auto reply = BookScheme::Answer(pdf, "GET", "bytes=0-0", w.mine);
    EXPECT_EQ(Header(reply, "Access-Control-Allow-Origin"), "*");
    EXPECT_NE(Header(reply, "Access-Control-Expose-Headers").find("Content-Range"), std::string::npos);
}

// While a book is unpacked, what is not written yet is read from the archive
// (stored entries) or waited for; what is written, and everything once the
// unpacking is over, comes from the disk as before.
TEST(BookSchemeTest, ReadsFilesStillBeingUnpackedFromTheArchive) {
    Workspaces w;
    const std::string archive = w.dir.Path() + "/Book.flip";
    w.dir.Write("Book.flip", "HEADER0123456789....sea!");
    std::vector<UnpackingBook::Event> events;
    UnpackingBook book(archive, w.mine + "/data", [&](UnpackingBook::Event e) { events.push_back(e); });
    constexpr std::uint32_t pdfCrc = 0xC0FFEE, seaCrc = 0x5EA;
    book.Surveyed({{"flipbook.pdf", 10, 6, pdfCrc},
                   {"files/a.png", 5, std::nullopt, 1},
                   {"files/backgrounds/sea.jpg", 4, 20, seaCrc}});

    // Every body here comes from the archive; status 0: wait for the file. A
    // whole entry from the archive goes out with the CRC-32 it must have.
    const struct {
        std::string path;
        std::optional<std::string> range;
        int status;
        std::uint64_t offset, length;
        std::optional<std::uint32_t> crc = std::nullopt;
        std::string entry = "";
    } cases[] = {
        {"/data/flipbook.pdf", std::nullopt, 200, 6, 10, pdfCrc, "flipbook.pdf"},
        {"/data/flipbook.pdf", "bytes=2-4", 206, 8, 3},
        {"/data/flipbook.pdf", "bytes=0-9", 206, 6, 10, pdfCrc, "flipbook.pdf"},
        {"/data/flipbook.pdf", "bytes=0-8", 206, 6, 9},
        {"/data/flipbook.pdf", "bytes=10-", 416, 0, 0},
        {"/data/files/backgrounds//sea.jpg", std::nullopt, 200, 20, 4, seaCrc, "files/backgrounds/sea.jpg"},
        {"/data/files/a.png", std::nullopt, 0, 0, 0},        // compressed: only once written
        {"/data/files/missing.png", std::nullopt, 0, 0, 0},  // a link may still bring it
        {"/data/files/%2e%2e/flipbook.pdf", std::nullopt, 404, 0, 0},
        {"/flipbook.html", std::nullopt, 404, 0, 0},  // outside the data: the disk decides
    };
    for (const auto& c : cases) {
        const auto reply = BookScheme::Answer(w.Uri(w.mine + c.path), "GET", c.range, w.mine, &book);
        const std::string what = c.path + " " + c.range.value_or("");
        EXPECT_EQ(reply.wait, c.status == 0) << what;
        EXPECT_EQ(reply.status, c.status) << what;
        EXPECT_EQ(reply.file.string(), c.status == 200 || c.status == 206 ? archive : "") << what;
        EXPECT_EQ(reply.offset, c.offset) << what;
        EXPECT_EQ(reply.length, c.length) << what;
        EXPECT_EQ(reply.crc, c.crc) << what;
        EXPECT_EQ(reply.entry, c.entry) << what;
    }
    // Headers alone carry no bytes to check.
    EXPECT_EQ(BookScheme::Answer(w.Uri(w.mine + "/data/flipbook.pdf"), "HEAD", {}, w.mine, &book).crc, std::nullopt);
    // Another window's workspace stays closed, whatever book is being unpacked.
    UnpackingBook others(archive, w.other + "/data", nullptr);
    others.Surveyed({{"flipbook.pdf", 10, 6}});
    EXPECT_EQ(BookScheme::Answer(w.Uri(w.other + "/data/flipbook.pdf"), "GET", {}, w.mine, &others).status, 404);

    // Once the page was served an entry that failed its CRC-32, the archive's
    // copy of it is not offered again; the others still are.
    book.ServedMismatch("flipbook.pdf");
    book.ServedMismatch("files/backgrounds/sea.jpg");  // the page is gone already: the first one counts
    EXPECT_EQ(book.Mismatch(), "flipbook.pdf");
    EXPECT_TRUE(BookScheme::Answer(w.Uri(w.mine + "/data/flipbook.pdf"), "GET", {}, w.mine, &book).wait);
    const auto sea = BookScheme::Answer(w.Uri(w.mine + "/data/files/backgrounds/sea.jpg"), "GET", {}, w.mine, &book);
    EXPECT_EQ(sea.file.string(), archive);

    book.Written("flipbook.pdf");
    book.Written("flipbook.pdf");
    auto reply = BookScheme::Answer(w.Uri(w.mine + "/data/flipbook.pdf"), "GET", std::nullopt, w.mine, &book);
    EXPECT_EQ(reply.file, std::filesystem::canonical(w.mine + "/data/flipbook.pdf"));
    EXPECT_EQ(reply.length, 1000u);

    book.Finish();
    EXPECT_EQ(BookScheme::Answer(w.Uri(w.mine + "/data/files/a.png"), "GET", {}, w.mine, &book).status, 404);
    reply = BookScheme::Answer(w.Uri(w.mine + "/data/files/backgrounds/sea.jpg"), "GET", {}, w.mine, &book);
    EXPECT_EQ(reply.file, std::filesystem::canonical(w.mine + "/data/files/backgrounds/sea.jpg"));
    using E = UnpackingBook::Event;
    EXPECT_EQ(events, (std::vector{E::Surveyed, E::Mismatched, E::Written, E::Finished}));
}

TEST(BookSchemeTest, ContentTypesNeverMakeAPageOrScript) {
    const std::pair<const char*, const char*> cases[] = {
        {"a/flipbook.pdf", "application/pdf"},
        {"a/B.JPG", "image/jpeg"},
        {"a/p.png", "image/png"},
        {"a/x.html", "application/octet-stream"},
        {"a/noextension", "application/octet-stream"},
    };
    for (const auto& [file, type] : cases) EXPECT_EQ(BookScheme::ContentTypeOf(file), type) << file;
}

}  // namespace
}  // namespace brivane::web
