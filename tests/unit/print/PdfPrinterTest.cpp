#include <gtk/gtk.h>
#include <poppler.h>
#include <gtest/gtest.h>

#include <vector>

#include "base/GObjectPtr.h"
#include "print/PdfPrintJob.h"
#include "print/PdfPrinter.h"
#include "tests/support/ColourPdf.h"
#include "tests/support/TempDir.h"

namespace brivane::print {
namespace {

constexpr test::Rgb R{1, 0, 0}, G{0, 1, 0}, B{0, 0, 1};

// A sheet as seen halfway down at its left and right, then nearer its top:
// 'R'ed, 'G'reen, 'B'lue, 'W'hite or '?' each; "turned" if landscape.
std::string Look(PopplerPage* sheet) {
    double w = 0, h = 0;
    poppler_page_get_size(sheet, &w, &h);
    if (w >= h) return "turned";
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(w), int(h));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    poppler_page_render(sheet, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    std::string look;
    for (const auto& [fx, fy] : {std::pair{0.1, 0.5}, std::pair{0.9, 0.5}, std::pair{0.3, 0.32}}) {
        const unsigned char* px = cairo_image_surface_get_data(surface) +
                                  int(h * fy) * cairo_image_surface_get_stride(surface) + int(w * fx) * 4;
        const int b = px[0], g = px[1], r = px[2];
        look += r > 200 && g < 50 && b < 50     ? 'R'
                : b > 200 && r < 50 && g < 50   ? 'B'
                : g > 100 && r < 50 && b < 50   ? 'G'
                : r > 200 && g > 200 && b > 200 ? 'W'
                                                : '?';
    }
    cairo_surface_destroy(surface);
    return look;
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

// Sheets are portrait, each page fitted, never turned or stretched: a
// landscape or a small page lies between white bands. GTK is told which sheet
// is current; "Current page" prints the page or spread on screen there, a
// right-to-left book's later page on the left. All pages ignores the spread.
TEST(PdfPrintJob, FitsEveryPageUprightAndPrintsThePageOrSpreadOnScreen) {
    test::TempDir dir;
    const std::string uri = test::FileUrl(
        test::ColourPdf(dir / "in.pdf", {{842, 595, R, B}, {300, 400, G, G}, {300, 400, B, B}, {200, 100, R, B}}));
    const struct {
        const char* name;
        std::vector<int> shown;
        GtkPrintPages pages;
        int current;                      // the sheet GTK is told is current, -1 for none
        std::vector<std::string> sheets;  // each sheet's Look, from the first; "" for any
    } cases[] = {
        {"all pages", {2, 3}, GTK_PRINT_PAGES_ALL, 1, {"RBW", "GGG", "BBB", "RBW"}},
        {"single page", {2}, GTK_PRINT_PAGES_CURRENT, 1, {"", "GGG"}},
        {"spread", {2, 3}, GTK_PRINT_PAGES_CURRENT, 1, {"", "GBW"}},
        {"right to left spread", {3, 2}, GTK_PRINT_PAGES_CURRENT, 1, {"", "BGW"}},
        {"a page past the end", {5}, GTK_PRINT_PAGES_CURRENT, -1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RefPtr<PopplerDocument> document = PdfPrintJob::Load(uri);
        ASSERT_TRUE(document);
        const RefPtr<GtkPrintOperation> op = PdfPrintJob::NewOperation(document.get(), "test", c.shown);
        int current = -2;
        g_object_get(op.get(), "current-page", &current, nullptr);
        EXPECT_EQ(current, c.current);
        if (c.sheets.empty()) continue;
        const std::string out = dir / (std::string(c.name) + ".pdf");
        ASSERT_TRUE(ExportWith(op.get(), out, c.pages));
        const auto printed = PdfPrintJob::Load(test::FileUrl(out));
        ASSERT_TRUE(printed);
        for (int i = 0; i < int(c.sheets.size()); ++i) {
            if (c.sheets[i].empty()) continue;
            auto sheet = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(printed.get(), i));
            ASSERT_TRUE(sheet) << i;
            EXPECT_EQ(Look(sheet.get()), c.sheets[i]) << "sheet " << i;
        }
    }
}

// The book's PDF may be no PDF at all: printing it shows no dialog, and
// neither blocks nor crashes.
TEST(PdfPrinter, AFileThatIsNoPdfPrintsNothing) {
    test::TempDir dir;
    GListModel* toplevels = gtk_window_get_toplevels();
    const guint before = g_list_model_get_n_items(toplevels);
    PdfPrinter::Print(nullptr, test::FileUrl(dir.Write("flipbook.pdf", "not a pdf at all")));
    while (g_main_context_iteration(nullptr, FALSE)) {}
    EXPECT_EQ(g_list_model_get_n_items(toplevels), before);
}

}  // namespace
}  // namespace brivane::print
