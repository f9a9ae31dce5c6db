#include "base/FileUrl.h"
#include "document/FlipbookFile.h"
#include "tests/support/ColourPdf.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <cairo.h>
#include <sys/wait.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

namespace brivane::test {
namespace {

struct FlipRun {
    int exit = -1;
    std::string out, err;
    double seconds = 0;
};

FlipRun Flip(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = BRIVANE_FLIP;
    for (const auto& a : args) command += " '" + a + "'";  // no test argument holds a quote
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " >" + dir / "out.txt" + " 2>" + dir / "err.txt").c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(dir / "out.txt"), Read(dir / "err.txt"), took.count()};
}

std::vector<std::string> Files(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// One page that fills itself again and again: far more work than any time
// limit allows. No cross-reference table: readers rebuild it from the objects.
std::string EndlessPdf() {
    std::string content = "1 0 0 rg\n";
    for (int i = 0; i < 2'000'000; ++i) content += "0 0 612 792 re f\n";
    return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
           "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
           "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >> endobj\n"
           "4 0 obj << /Length " +
           std::to_string(content.size()) + " >>\nstream\n" + content +
           "\nendstream endobj\ntrailer << /Size 5 /Root 1 0 R >>\n%%EOF\n";
}

ZipWriter Book(std::string pdf, bool deflated = false) {
    nlohmann::json meta = SampleMetadata();
    meta["id"] = Fingerprint(800, 600, 3, pdf.size());
    return ZipWriter()
        .File("metadata.brivane", document::WriteMetadata(meta), 8)
        .File("flipbook.pdf", std::move(pdf), deflated ? 8 : 0);
}

struct Png {
    int width = 0, height = 0;
    std::uint32_t inside = 0, corner = 0;  // 0xRRGGBB, a third across halfway down and at the top left
};

std::optional<Png> ReadPng(const std::string& path) {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> image(
        cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy);
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    cairo_surface_flush(image.get());
    const int width = cairo_image_surface_get_width(image.get());
    const int height = cairo_image_surface_get_height(image.get());
    const auto at = [&](int x, int y) {
        const auto* row = cairo_image_surface_get_data(image.get()) + y * cairo_image_surface_get_stride(image.get());
        return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xffffff;
    };
    return Png{width, height, at(width / 3, height / 2), at(0, 0)};
}

// args: "@" stands for the case's archive, "./name" for a file in the case's directory.
struct CliCase {
    const char* name;
    std::vector<std::string> args;
    ZipWriter archive;
    int exit;
    std::string out;
    std::string asset = {};  // an asset file's name under ./assets
    std::string err = {};    // what stderr says, if it matters
};

TEST(BrivaneFlip, ExitCodesAndOutput) {
    const std::string parseError = "Error parsing metadata GetMetadataSource\n";
    const ZipWriter unparsable = ZipWriter().File("metadata.brivane", "nope");
    nlohmann::json tooNew = SampleMetadata();
    tooNew["app"] = 2;
    const std::string pdf = BRIVANE_SAMPLE_PDF;
    const std::vector<std::string> packAssets = {"pack", pdf, "-o", "./new.flip", "--assets", "./assets"};
    const ZipWriter endless = Book(EndlessPdf(), true);  // a small file all the same
    const CliCase cases[] = {
        {"accepted", {"check", "@"}, ValidFlipbook(), 0, "OK\n"},
        {"unparsable metadata", {"check", "@"}, unparsable, 1, parseError + "ERROR_NO_META\n"},
        {"not a file", {"check", "/nonexistent/a.flip"}, ZipWriter(), 1, "ERROR_NO_META\n"},
        {"title of a broken file", {"title", "@"}, unparsable, 0, parseError + "\n"},
        {"check without file", {"check"}, ZipWriter(), 2, ""},
        {"unknown command", {"frobnicate", "@"}, ZipWriter(), 2, ""},
        {"pack a ZIP, not a PDF", {"pack", "@", "-o", "./new.flip"}, ValidFlipbook(), 1, ""},
        {"pack a missing PDF", {"pack", "/nonexistent/x.pdf", "-o", "./new.flip"}, ZipWriter(), 1, ""},
        {"pack an unknown option", {"pack", pdf, "-o", "./new.flip", "--colour"}, ZipWriter(), 2, ""},
        {"pack an asset name open would refuse", packAssets, ZipWriter(), 1, "", "user/a\tb.png"},
        {"pack a title that is not UTF-8", {"pack", pdf, "-o", "./new.flip", "--title", "caf\xE9"}, ZipWriter(), 1, ""},
        // The thumbnailer runs the check first: a refused book gets no image.
        {"thumbnail of a too new book", {"thumbnail", "@", "./cover.png"}, ValidFlipbook(tooNew), 1, ""},
        {"thumbnail of no PDF", {"thumbnail", "@", "./cover.png"}, ValidFlipbook(), 1, ""},
        {"thumbnail size zero", {"thumbnail", "-s", "0", "@", "./cover.png"}, ValidFlipbook(), 2, ""},
        {"thumbnail size too large", {"thumbnail", "-s", "4097", "@", "./cover.png"}, ValidFlipbook(), 2, ""},
        {"thumbnail size not a number", {"thumbnail", "-s", "12px", "@", "./cover.png"}, ValidFlipbook(), 2, ""},
        {"thumbnail unknown option", {"thumbnail", "--colour", "@", "./cover.png"}, ValidFlipbook(), 2, ""},
        // A PDF that never finishes drawing: the file manager waits for us.
        {"thumbnail out of time", {"thumbnail", "-t", "1", "@", "./cover.png"}, endless, 1, "", "", "out of time"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string archive = dir / "case.flip";
        c.archive.WriteTo(archive);
        if (!c.asset.empty()) dir.Write("assets/" + c.asset, "x");
        std::vector<std::string> args;
        for (const auto& a : c.args) args.push_back(a == "@" ? archive : a.starts_with("./") ? dir / a.substr(2) : a);
        const FlipRun run = Flip(dir, args);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_LT(run.seconds, 5.0);
        // Refusals (in one line) and usage errors say why on stderr; answers never go there.
        EXPECT_EQ(run.err.empty(), c.exit == 0 || !c.out.empty()) << run.err;
        EXPECT_TRUE(c.exit != 1 || !c.out.empty() || std::ranges::count(run.err, '\n') == 1) << run.err;
        std::vector<std::string> files = {"case.flip", "err.txt", "out.txt"};
        if (!c.asset.empty()) files.insert(files.begin(), "assets");
        EXPECT_EQ(Files(dir), files) << "nothing written";
    }
}

// What pack writes, check accepts and open unpacks, odd asset names and all;
// the metadata is written as the service writes it, with escaped slashes.
TEST(BrivaneFlip, PackedFlipbooksPassTheCheckAndOpenWithTheirAssets) {
    TempDir dir;
    const std::string assets[] = {"user/12/page 1.jpg", "toc/#1 %20 caf\xC3\xA9 \xE5\x90\x8D?.png"};
    for (const auto& asset : assets) dir.Write("assets/" + asset, asset);
    const std::string out = dir / "Round Trip.flip";
    std::vector<std::string> pack = {"pack",     BRIVANE_SAMPLE_PDF, "-o",         out,
                                     "--title",  "Fish &amp; Ships", "--subtitle", "Two",
                                     "--assets", dir / "assets"};
    ASSERT_EQ(Flip(dir, pack).exit, 0);
    EXPECT_EQ(Flip(dir, {"check", out}).out, "OK\n");
    EXPECT_EQ(Flip(dir, {"title", out}).out, "Fish & Ships - Two\n");
    const auto metadata = document::FlipbookFile(FileUrl(out)).GetMetadataSource(FileUrl(out));
    ASSERT_TRUE(metadata);
    EXPECT_NE(metadata->find(R"("files\/user\/12\/page 1.jpg")"), std::string::npos) << *metadata;
    const FlipRun open = Flip(dir, {"open", out});
    ASSERT_EQ(open.exit, 0) << open.out;
    // The configuration is the last line, compact.
    const std::string last = open.out.substr(open.out.rfind('\n', open.out.size() - 2) + 1);
    const std::string data = PathFromFileUrl(nlohmann::json::parse(last)["thumbnailPath"]).value_or("?");
    for (const auto& asset : assets) EXPECT_EQ(Read(data + "/files/" + asset), asset);
    EXPECT_EQ(Flip(dir, pack).exit, 1) << "overwrote without --force";
    pack.push_back("--force");
    EXPECT_EQ(Flip(dir, pack).exit, 0);
}

TEST(ThumbnailCommand, DrawsTheFirstPageOnWhiteAtTheRequestedSize) {
    constexpr Rgb R{1, 0, 0}, B{0, 0, 1};
    const struct {
        const char* name;
        double width, height;
        std::vector<std::string> options;
        bool deflated;
        int wantWidth, wantHeight;
    } cases[] = {
        {"portrait, default size", 600, 800, {}, false, 192, 256},
        {"landscape", 800, 400, {"-s", "128"}, false, 128, 64},
        {"deflated PDF entry", 500, 500, {"--size", "100"}, true, 100, 100},
        {"sliver keeps one pixel", 4000, 10, {"-s", "256"}, false, 256, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const double w = c.width, h = c.height;
        Book(Read(ColourPdf(dir / "in.pdf", {{w, h, R, R}, {w, h, B, B}})), c.deflated).WriteTo(dir / "book.flip");
        std::vector<std::string> args = {"thumbnail"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {dir / "book.flip", dir / "cover.png"});
        const FlipRun run = Flip(dir, args);
        ASSERT_EQ(run.exit, 0) << run.err;
        const auto png = ReadPng(dir / "cover.png");
        ASSERT_TRUE(png);
        EXPECT_EQ(std::pair(png->width, png->height), std::pair(c.wantWidth, c.wantHeight));
        if (c.wantHeight > 4) {
            EXPECT_EQ(png->inside, 0xff0000u) << "the first page's colour";
            EXPECT_EQ(png->corner, 0xffffffu) << "unpainted paper is white";
        }
    }
}

}  // namespace
}  // namespace brivane::test
