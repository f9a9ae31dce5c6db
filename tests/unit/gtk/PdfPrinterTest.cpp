#include <cairo-pdf.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>  // for GTK_IS_PRINT_UNIX_DIALOG
#include <poppler.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>

#include "PdfPrintJob.h"
#include "PdfPrinter.h"
#include "PrintSettingsStore.h"
#include "TempDir.h"

using brivane::UniqueGChars;
using brivane::test::TempDir;
using brivane::UniqueGObject;
using brivane::web::PdfPrinter;
using brivane::web::PdfPrintJob;
using brivane::web::PrintSettingsStore;

namespace {

// Each page: left half red, right half blue, so a turned or stretched page
// shows in where the colours land.
void WriteSample(const std::string& path) {
    const std::array<std::array<double, 2>, 3> sizes{{{595, 842}, {842, 595}, {200, 100}}};
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), sizes[0][0], sizes[0][1]);
    cairo_t* cr = cairo_create(surface);
    for (const auto& size : sizes) {
        cairo_pdf_surface_set_size(surface, size[0], size[1]);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 0, 0, size[0] / 2, size[1]);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, size[0] / 2, 0, size[0] / 2, size[1]);
        cairo_fill(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

int PdfInfoPages(const std::string& path) {
    const std::string command = "pdfinfo '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    int pages = -1;
    char line[512];
    while (fgets(line, sizeof line, pipe)) std::sscanf(line, "Pages: %d", &pages);
    pclose(pipe);
    return pages;
}

enum class Colour { Red, Blue, White, Other };

// Renders one page of a PDF at 1 pixel per point and names the colour at (x, y).
class RenderedPage {
public:
    RenderedPage(const std::string& uri, int index) {
        UniqueGObject<PopplerDocument> doc(poppler_document_new_from_file(uri.c_str(), nullptr, nullptr));
        if (!doc) return;
        UniqueGObject<PopplerPage> page(poppler_document_get_page(doc.get(), index));
        if (!page) return;
        poppler_page_get_size(page.get(), &width, &height);
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width),
                                              static_cast<int>(height));
        cairo_t* cr = cairo_create(surface_);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        poppler_page_render(page.get(), cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface_);
    }
    ~RenderedPage() {
        if (surface_) cairo_surface_destroy(surface_);
    }
    Colour At(double fx, double fy) const {
        const int x = static_cast<int>(width * fx), y = static_cast<int>(height * fy);
        const unsigned char* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        const unsigned char b = row[x * 4], g = row[x * 4 + 1], r = row[x * 4 + 2];
        if (r > 200 && g < 50 && b < 50) return Colour::Red;
        if (b > 200 && r < 50 && g < 50) return Colour::Blue;
        if (r > 200 && g > 200 && b > 200) return Colour::White;
        return Colour::Other;
    }
    double width = 0, height = 0;

private:
    cairo_surface_t* surface_ = nullptr;
};

TEST(PdfPrintJob, ExportDrawsEveryPageFittedAndUnrotated) {
    TempDir dir;
    const std::string sample = dir.File("sample.pdf"), out = dir.File("out.pdf");
    WriteSample(sample);
    ASSERT_TRUE(PdfPrintJob::Export(TempDir::Uri(sample), out));

    if (UniqueGChars(g_find_program_in_path("pdfinfo"))) {
        EXPECT_EQ(PdfInfoPages(out), 3);
    }
    UniqueGObject<PopplerDocument> printed(
        poppler_document_new_from_file(TempDir::Uri(out).c_str(), nullptr, nullptr));
    ASSERT_TRUE(printed);
    ASSERT_EQ(poppler_document_get_n_pages(printed.get()), 3);

    struct Probe {
        int page;
        double x, y;
        Colour expected;
    };
    // Every output sheet is the same portrait paper; the landscape page is
    // centred with blank bands above and below, red still on the left.
    const Probe probes[] = {
        {0, 0.3, 0.5, Colour::Red},   {0, 0.7, 0.5, Colour::Blue},
        {1, 0.3, 0.5, Colour::Red},   {1, 0.7, 0.5, Colour::Blue},
        {1, 0.5, 0.1, Colour::White}, {1, 0.5, 0.9, Colour::White},
        // The small page is enlarged to the paper's width, not left tiny.
        {2, 0.1, 0.5, Colour::Red},   {2, 0.9, 0.5, Colour::Blue},
        {2, 0.5, 0.2, Colour::White},
    };
    for (const auto& p : probes) {
        RenderedPage page(TempDir::Uri(out), p.page);
        ASSERT_GT(page.width, 0);
        EXPECT_LT(page.width, page.height) << "sheet " << p.page << " was turned";
        EXPECT_EQ(page.At(p.x, p.y), p.expected) << "sheet " << p.page << " at " << p.x << "," << p.y;
    }
}

int CountToplevels() { return static_cast<int>(g_list_model_get_n_items(gtk_window_get_toplevels())); }

void Drain() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        Drain();
        g_usleep(10000);
    }
    return done();
}

GtkWindow* FindPrintDialog() {
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
        UniqueGObject<GtkWindow> w(GTK_WINDOW(g_list_model_get_item(toplevels, i)));
        if (GTK_IS_PRINT_UNIX_DIALOG(w.get())) return w.get();
    }
    return nullptr;
}

// A page can ask to print any text; none of these may show a dialog, block
// or crash.
TEST(PdfPrinter, AddressesWithoutAReadablePdfDoNothing) {
    TempDir dir;
    const std::string text = dir.File("notes.pdf");
    g_file_set_contents(text.c_str(), "not a pdf at all", -1, nullptr);
    const std::string empty = dir.File("empty.pdf");
    g_file_set_contents(empty.c_str(), "", 0, nullptr);

    const std::string uris[] = {
        "",
        "not an address",
        "/tmp/absolute/path/without/scheme.pdf",
        "file:///nonexistent/brivane/missing.pdf",
        TempDir::Uri(text),
        TempDir::Uri(empty),
        TempDir::Uri(dir.File("")),  // a directory
        "http://127.0.0.1:9/remote.pdf",
        "javascript:alert(1)",
    };
    GtkWindow* parent = GTK_WINDOW(gtk_window_new());
    const int before = CountToplevels();
    for (const auto& uri : uris) {
        PdfPrinter::Print(parent, uri);
        PdfPrinter::Print(nullptr, uri);
        Drain();
        EXPECT_EQ(CountToplevels(), before) << uri;
        EXPECT_FALSE(PdfPrintJob::Export(uri, dir.File("never.pdf"))) << uri;
    }
    gtk_window_destroy(parent);
}

// The host calls Print from its message handler: it has to come back at once
// with the dialog up and modal, not run a nested loop until the user answers.
TEST(PdfPrinter, ReturnsWithAModalDialogAndLetsGoWhenCancelled) {
    TempDir dir;
    const std::string sample = dir.File("sample.pdf");
    WriteSample(sample);
    GtkWindow* parent = GTK_WINDOW(gtk_window_new());
    gtk_window_present(parent);
    const int before = CountToplevels();

    PdfPrinter::Print(parent, TempDir::Uri(sample));
    EXPECT_TRUE(WaitUntil([&] { return CountToplevels() > before; }));

    GtkWindow* dialog = FindPrintDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(gtk_window_get_modal(dialog));
    EXPECT_EQ(gtk_window_get_transient_for(dialog), parent);

    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    EXPECT_TRUE(WaitUntil([&] { return CountToplevels() == before; }));
    gtk_window_destroy(parent);
}

// The dialog outlives Print: the document must still be there when GTK asks
// for pages, and what the user confirmed becomes the next print's starting point.
TEST(PdfPrinter, ConfirmedDialogPrintsEveryPageAndKeepsTheSettings) {
    TempDir dir;
    const std::string sample = dir.File("sample.pdf"), printed = dir.File("printed.pdf");
    WriteSample(sample);
    {
        // Start from the file printer, as if an earlier print had chosen it.
        UniqueGObject<GtkPrintOperation> earlier(gtk_print_operation_new());
        UniqueGObject<GtkPrintSettings> chosen(gtk_print_settings_new());
        gtk_print_settings_set_printer(chosen.get(), "Print to File");
        gtk_print_settings_set(chosen.get(), GTK_PRINT_SETTINGS_OUTPUT_URI, TempDir::Uri(printed).c_str());
        gtk_print_settings_set(chosen.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
        gtk_print_operation_set_print_settings(earlier.get(), chosen.get());
        PrintSettingsStore::RememberFrom(earlier.get());
    }
    GtkPrintSettings* before = PrintSettingsStore::Current();
    GtkWindow* parent = GTK_WINDOW(gtk_window_new());
    gtk_window_present(parent);

    PdfPrinter::Print(parent, TempDir::Uri(sample));
    GtkWindow* dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        dialog = FindPrintDialog();
        return dialog && gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
    }));
    EXPECT_STREQ(gtk_printer_get_name(gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog))),
                 "Print to File");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);

    EXPECT_TRUE(WaitUntil([&] { return PrintSettingsStore::Current() != before; }));
    ASSERT_NE(PrintSettingsStore::Current(), nullptr);
    EXPECT_STREQ(gtk_print_settings_get_printer(PrintSettingsStore::Current()), "Print to File");
    UniqueGObject<PopplerDocument> result(
        poppler_document_new_from_file(TempDir::Uri(printed).c_str(), nullptr, nullptr));
    ASSERT_TRUE(result);
    EXPECT_EQ(poppler_document_get_n_pages(result.get()), 3);
    gtk_window_destroy(parent);
}

}  // namespace
