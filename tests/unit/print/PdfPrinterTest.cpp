#include <cairo-pdf.h>
#include <gtk/gtk.h>
#include <poppler.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/GObjectPtr.h"
#include "print/PdfPrintJob.h"
#include "print/PdfPrinter.h"
#include "tests/support/TempDir.h"

using brivane::RefPtr;
using brivane::print::PdfPrinter;
using brivane::print::PdfPrintJob;
using brivane::test::FileUrl;
using brivane::test::TempDir;

namespace {

using Rgb = std::array<double, 3>;
constexpr Rgb R{1, 0, 0}, G{0, 1, 0}, B{0, 0, 1};

struct Page {
    double width, height;
    Rgb left, right;  // the colours of its two halves
};

// Returns the PDF's file URL.
std::string WritePdf(const TempDir& dir, const std::vector<Page>& pages) {
    const std::string path = dir / "in.pdf";
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), pages[0].width, pages[0].height);
    cairo_t* cr = cairo_create(surface);
    for (const auto& [w, h, left, right] : pages) {
        cairo_pdf_surface_set_size(surface, w, h);
        for (const auto& [x, c] : {std::pair{0.0, left}, std::pair{w / 2, right}}) {
            cairo_set_source_rgb(cr, c[0], c[1], c[2]);
            cairo_rectangle(cr, x, 0, w / 2, h);
            cairo_fill(cr);
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return FileUrl(path);
}

// The colour at (fx, fy), fractions of the page rendered at 1 pixel per point:
// 'R'ed, 'G'reen, 'B'lue, 'W'hite or '?'.
char ColourAt(PopplerPage* page, double fx, double fy) {
    double w = 0, h = 0;
    poppler_page_get_size(page, &w, &h);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(w), int(h));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    poppler_page_render(page, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* px =
        cairo_image_surface_get_data(surface) + int(h * fy) * cairo_image_surface_get_stride(surface) + int(w * fx) * 4;
    const int b = px[0], g = px[1], r = px[2];
    cairo_surface_destroy(surface);
    if (r > 200 && g < 50 && b < 50) return 'R';
    if (b > 200 && r < 50 && g < 50) return 'B';
    if (g > 100 && r < 50 && b < 50) return 'G';
    return r > 200 && g > 200 && b > 200 ? 'W' : '?';
}

TEST(PdfPrintJob, ExportDrawsEveryPageFittedAndUnrotated) {
    TempDir dir;
    const std::string out = dir / "out.pdf";
    // A4, A4 landscape and 200x100: a turned or stretched page shows in where the colours land.
    ASSERT_TRUE(PdfPrintJob::Export(WritePdf(dir, {{595, 842, R, B}, {842, 595, R, B}, {200, 100, R, B}}), out));
    const auto printed = PdfPrintJob::Load(FileUrl(out));
    ASSERT_TRUE(printed);
    ASSERT_EQ(poppler_document_get_n_pages(printed.get()), 3);
    // Every sheet is portrait paper: the landscape page is centred with blank
    // bands above and below, red still on the left; the small one is enlarged.
    const struct {
        int page;
        double x, y;
        char colour;
    } probes[] = {{1, 0.3, 0.5, 'R'}, {1, 0.7, 0.5, 'B'}, {1, 0.5, 0.1, 'W'},
                  {2, 0.1, 0.5, 'R'}, {2, 0.9, 0.5, 'B'}, {2, 0.5, 0.2, 'W'}};
    for (const auto& p : probes) {
        auto page = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(printed.get(), p.page));
        double w = 0, h = 0;
        poppler_page_get_size(page.get(), &w, &h);
        EXPECT_LT(w, h) << "sheet " << p.page << " was turned";
        EXPECT_EQ(ColourAt(page.get(), p.x, p.y), p.colour) << "sheet " << p.page << " at " << p.x << "," << p.y;
    }
}

// Exports with the dialog's choice of pages in the settings. Export itself
// draws every sheet, so each shows what GTK's one current sheet would.
bool ExportWith(GtkPrintOperation* op, const std::string& out, GtkPrintPages pages) {
    auto settings = RefPtr<GtkPrintSettings>::Adopt(gtk_print_settings_new());
    gtk_print_settings_set_print_pages(settings.get(), pages);
    gtk_print_operation_set_print_settings(op, settings.get());
    gtk_print_operation_set_export_filename(op, out.c_str());
    return gtk_print_operation_run(op, GTK_PRINT_OPERATION_ACTION_EXPORT, nullptr, nullptr) ==
           GTK_PRINT_OPERATION_RESULT_APPLY;
}

// "Current page" prints what the reader shows: one page, or a spread on one
// sheet with its pages where the screen has them, a right-to-left book's
// later page on the left. GTK prints the one sheet it is told is current;
// printing all pages ignores the spread.
TEST(PdfPrintJob, CurrentPagePrintsThePageOrSpreadOnScreen) {
    TempDir dir;
    const std::string uri = WritePdf(dir, {{300, 400, R, R}, {300, 400, G, G}, {300, 400, B, B}});
    const struct {
        const char* name;
        std::vector<int> shown;
        GtkPrintPages pages;
        int current;        // the sheet GTK is told is current, -1 for none
        std::string sheet;  // colours at the left and right of that sheet's middle
    } cases[] = {
        {"single page", {2}, GTK_PRINT_PAGES_CURRENT, 1, "GG"},
        {"spread", {2, 3}, GTK_PRINT_PAGES_CURRENT, 1, "GB"},
        {"right to left spread", {3, 2}, GTK_PRINT_PAGES_CURRENT, 1, "BG"},
        {"all pages", {2, 3}, GTK_PRINT_PAGES_ALL, 1, "GG"},
        {"a page past the end", {4}, GTK_PRINT_PAGES_CURRENT, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RefPtr<PopplerDocument> document = PdfPrintJob::Load(uri);
        ASSERT_TRUE(document);
        const RefPtr<GtkPrintOperation> op = PdfPrintJob::NewOperation(document.get(), "test", c.shown);
        int current = -2;
        g_object_get(op.get(), "current-page", &current, nullptr);
        EXPECT_EQ(current, c.current);
        if (c.current < 0) continue;
        const std::string out = dir / (std::string(c.name) + ".pdf");
        ASSERT_TRUE(ExportWith(op.get(), out, c.pages));
        const auto printed = PdfPrintJob::Load(FileUrl(out));
        ASSERT_TRUE(printed);
        auto sheet = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(printed.get(), c.current));
        ASSERT_TRUE(sheet);
        EXPECT_EQ(std::string({ColourAt(sheet.get(), 0.3, 0.5), ColourAt(sheet.get(), 0.7, 0.5)}), c.sheet);
    }
}

// A page can ask to print any text; none of these may show a dialog, block
// or crash.
TEST(PdfPrinter, AddressesWithoutAReadablePdfDoNothing) {
    TempDir dir;
    const std::string uris[] = {
        "",
        "/tmp/absolute/path/without/scheme.pdf",
        "file:///nonexistent/brivane/missing.pdf",
        FileUrl(dir.Write("notes.pdf", "not a pdf at all")),
        FileUrl(dir.Path()),
        "http://127.0.0.1:9/remote.pdf",
    };
    GtkWindow* parent = GTK_WINDOW(gtk_window_new());
    GListModel* toplevels = gtk_window_get_toplevels();
    const guint before = g_list_model_get_n_items(toplevels);
    for (const auto& uri : uris) {
        PdfPrinter::Print(parent, uri);
        PdfPrinter::Print(nullptr, uri);
        while (g_main_context_iteration(nullptr, FALSE)) {}
        EXPECT_EQ(g_list_model_get_n_items(toplevels), before) << uri;
        EXPECT_FALSE(PdfPrintJob::Export(uri, dir / "never.pdf")) << uri;
    }
    gtk_window_destroy(parent);
}

}  // namespace
