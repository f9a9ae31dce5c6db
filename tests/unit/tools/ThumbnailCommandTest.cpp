#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <sys/wait.h>
#include <zlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

namespace brivane::test {
namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

cairo_status_t Append(void* out, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A PDF whose pages each paint the middle half of the page in one colour and
// leave the rest unpainted.
std::string PagesPdf(double width, double height, const std::vector<Rgb>& colours) {
    std::string pdf;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(Append, &pdf, width, height);
    cairo_t* cr = cairo_create(surface);
    for (const Rgb& c : colours) {
        cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
        cairo_rectangle(cr, width / 4, height / 4, width / 2, height / 2);
        cairo_fill(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return pdf;
}

// The same PDF with its cross-reference said to lie past the end of the file,
// which readers answer by rebuilding it from the objects.
std::string XrefPastTheEnd(std::string pdf) {
    const auto at = pdf.rfind("startxref\n");
    const auto end = pdf.find('\n', at + 10);
    return pdf.replace(at + 10, end - at - 10, std::to_string(pdf.size() + 4096));
}

// One page that fills itself again and again: far more work than any time limit allows.
std::string EndlessPdf() {
    std::string content = "1 0 0 rg\n";
    for (int i = 0; i < 2'000'000; ++i) content += "0 0 612 792 re f\n";
    std::string packed(compressBound(content.size()), '\0');
    uLongf size = packed.size();
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
              content.size(), 9);
    packed.resize(size);
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
        "<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode >>\nstream\n" + packed + "\nendstream",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < std::size(objects); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 5\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    return pdf + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

// A flipbook around pdf, its PDF entry stored or deflated.
ZipWriter Book(std::string pdf, bool deflated = false) {
    if (!deflated) return ValidFlipbook(SampleMetadata(), std::move(pdf));
    nlohmann::json meta = SampleMetadata();
    meta["id"] = Fingerprint(800, 600, 3, pdf.size());
    return ZipWriter()
        .File("metadata.brivane", document::WriteMetadata(meta), 8)
        .File("flipbook.pdf", std::move(pdf), 8);
}

struct Outcome {
    int exit = -1;
    std::string err;
    double seconds = 0;
};

Outcome Thumbnail(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = BRIVANE_FLIP " thumbnail";
    for (const auto& a : args) command += " '" + a + "'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " >/dev/null 2>" + dir / "err.txt").c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(dir / "err.txt"), took.count()};
}

struct Png {
    int width = 0, height = 0;
    Rgb centre{}, corner{};
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
        const std::uint32_t pixel = reinterpret_cast<const std::uint32_t*>(row)[x];
        return Rgb{int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
    };
    return Png{width, height, at(width / 2, height / 2), at(0, 0)};
}

std::vector<std::string> Files(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

constexpr Rgb RED{220, 30, 40}, BLUE{20, 60, 200}, WHITE{255, 255, 255};

TEST(ThumbnailCommand, DrawsTheFirstPageOnWhiteAtTheRequestedSize) {
    const struct {
        const char* name;
        double width, height;
        std::vector<std::string> options;
        bool deflated;
        int wantWidth, wantHeight;
        bool xrefPastTheEnd = false;
    } cases[] = {
        {"portrait, default size", 600, 800, {}, false, 192, 256},
        {"landscape", 800, 400, {"-s", "128"}, false, 128, 64},
        {"deflated PDF entry", 500, 500, {"--size", "100"}, true, 100, 100},
        {"sliver keeps one pixel", 4000, 10, {"-s", "256"}, false, 256, 1},
        {"stored, cross-reference past the end", 600, 800, {}, false, 192, 256, true},
        {"deflated, cross-reference past the end", 600, 800, {}, true, 192, 256, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string pdf = PagesPdf(c.width, c.height, {RED, BLUE});
        if (c.xrefPastTheEnd) pdf = XrefPastTheEnd(std::move(pdf));
        Book(std::move(pdf), c.deflated).WriteTo(dir / "book.flip");
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {dir / "book.flip", dir / "cover.png"});
        const Outcome run = Thumbnail(dir, args);
        ASSERT_EQ(run.exit, 0) << run.err;
        const auto png = ReadPng(dir / "cover.png");
        ASSERT_TRUE(png);
        EXPECT_EQ(std::pair(png->width, png->height), std::pair(c.wantWidth, c.wantHeight));
        if (c.wantHeight > 4) {
            EXPECT_EQ(png->centre, RED) << "the first page's colour";
            EXPECT_EQ(png->corner, WHITE) << "unpainted paper is white";
        }
    }
}

TEST(ThumbnailCommand, RefusedOrUnreadableBooksGetNoImage) {
    const std::string pdf = PagesPdf(300, 400, {RED});
    nlohmann::json tooNew = SampleMetadata();
    tooNew["app"] = 2;
    nlohmann::json otherId = SampleMetadata();
    otherId["id"] = std::string(41, 'a');
    const struct {
        const char* name;
        ZipWriter book;
        std::vector<std::string> options;
        int exit;
    } cases[] = {
        {"no metadata", ZipWriter().File("flipbook.pdf", pdf), {}, 1},
        {"too new", ValidFlipbook(tooNew, pdf), {}, 1},
        {"fingerprint does not match", ValidFlipbook(otherId, pdf), {}, 1},
        {"PDF entry is no PDF", ValidFlipbook(SampleMetadata(), SamplePdf(4096)), {}, 1},
        {"size zero", Book(pdf), {"-s", "0"}, 2},
        {"size too large", Book(pdf), {"-s", "5000"}, 2},
        {"size not a number", Book(pdf), {"-s", "12px"}, 2},
        {"unknown option", Book(pdf), {"--colour"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        c.book.WriteTo(dir / "book.flip");
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {dir / "book.flip", dir / "cover.png"});
        const Outcome run = Thumbnail(dir, args);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(Files(dir), (std::vector<std::string>{"book.flip", "err.txt"})) << "nothing written";
    }
}

TEST(ThumbnailCommand, GivesUpWhenTheTimeIsUpAndLeavesNothingBehind) {
    TempDir dir;
    Book(EndlessPdf()).WriteTo(dir / "book.flip");
    const Outcome run = Thumbnail(dir, {"-t", "1", dir / "book.flip", dir / "cover.png"});
    EXPECT_EQ(run.exit, 1) << run.err;
    EXPECT_LT(run.seconds, 5.0);
    EXPECT_EQ(Files(dir), (std::vector<std::string>{"book.flip", "err.txt"}));
}

}  // namespace
}  // namespace brivane::test
