#include "print/PdfPrintJob.h"

#include <cstring>
#include <memory>
#include <optional>

#include "base/GObjectPtr.h"
#include "print/CurrentSheet.h"
#include "print/PrintGeometry.h"

namespace brivane::print {

namespace {

struct JobState {
    RefPtr<PopplerDocument> document;
    std::optional<CurrentSheet> sheet;
    bool currentOnly = false;  // this run prints the current sheet alone
};

struct PageSize {
    RefPtr<PopplerPage> page;
    double width = 0.0;
    double height = 0.0;
};

PageSize SizeOf(PopplerDocument* document, int index) {
    PageSize size{RefPtr<PopplerPage>::Adopt(poppler_document_get_page(document, index))};
    if (size.page) poppler_page_get_size(size.page.get(), &size.width, &size.height);
    return size;
}

void Draw(cairo_t* cr, const PageSize& size, const PagePlacement& at) {
    if (!size.page || at.scale <= 0.0) return;
    cairo_save(cr);
    cairo_translate(cr, at.offsetX, at.offsetY);
    cairo_scale(cr, at.scale, at.scale);
    // Content outside the page box must not spill onto the margins.
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_clip(cr);
    poppler_page_render_for_printing(size.page.get(), cr);
    cairo_restore(cr);
}

void BeginPrint(GtkPrintOperation* operation, GtkPrintContext*, gpointer data) {
    // The dialog's choice is in the settings by now; GTK itself only knows
    // that one sheet is wanted.
    GtkPrintSettings* settings = gtk_print_operation_get_print_settings(operation);
    static_cast<JobState*>(data)->currentOnly =
        settings && gtk_print_settings_get_print_pages(settings) == GTK_PRINT_PAGES_CURRENT;
}

void DrawPage(GtkPrintOperation*, GtkPrintContext* context, int pageNumber, gpointer data) {
    const auto* state = static_cast<JobState*>(data);
    PopplerDocument* document = state->document.get();
    const double areaWidth = gtk_print_context_get_width(context);
    const double areaHeight = gtk_print_context_get_height(context);
    cairo_t* cr = gtk_print_context_get_cairo_context(context);
    if (state->currentOnly && state->sheet && state->sheet->pages.size() == 2) {
        const PageSize left = SizeOf(document, state->sheet->pages[0]);
        const PageSize right = SizeOf(document, state->sheet->pages[1]);
        const auto [atLeft, atRight] =
            PrintGeometry::FitSpread(left.width, left.height, right.width, right.height, areaWidth, areaHeight);
        Draw(cr, left, atLeft);
        Draw(cr, right, atRight);
        return;
    }
    const PageSize page = SizeOf(document, pageNumber);
    Draw(cr, page, PrintGeometry::FitPage(page.width, page.height, areaWidth, areaHeight));
}

}  // namespace

RefPtr<PopplerDocument> PdfPrintJob::Load(const std::string& uri) {
    if (!g_uri_is_valid(uri.c_str(), G_URI_FLAGS_NONE, nullptr)) return {};
    // Only local files: fetching a remote PDF here would block the main loop.
    const char* scheme = g_uri_peek_scheme(uri.c_str());
    if (!scheme || std::strcmp(scheme, "file") != 0) return {};
    GErrorSlot error;
    auto document = RefPtr<PopplerDocument>::Adopt(poppler_document_new_from_file(uri.c_str(), nullptr, error.Out()));
    if (!document || poppler_document_get_n_pages(document.get()) < 1) return {};
    return document;
}

RefPtr<GtkPrintOperation> PdfPrintJob::NewOperation(PopplerDocument* document, const std::string& jobName,
                                                    const std::vector<int>& shownPages) {
    auto operation = RefPtr<GtkPrintOperation>::Adopt(gtk_print_operation_new());
    GtkPrintOperation* op = operation.get();
    const int pageCount = poppler_document_get_n_pages(document);
    auto* state = AttachState(op, "brivane-pdf",
                              std::make_unique<JobState>(JobState{RefPtr<PopplerDocument>::Ref(document),
                                                                  CurrentSheet::From(shownPages, pageCount)}));
    gtk_print_operation_set_n_pages(op, pageCount);
    // Without it the dialog greys out its "Current page" choice.
    if (state->sheet) gtk_print_operation_set_current_page(op, state->sheet->pageIndex);
    // Points, like PDF page boxes: the context's size is then the printable area in points.
    gtk_print_operation_set_unit(op, GTK_UNIT_POINTS);
    gtk_print_operation_set_use_full_page(op, FALSE);
    gtk_print_operation_set_embed_page_setup(op, TRUE);
    if (!jobName.empty()) gtk_print_operation_set_job_name(op, jobName.c_str());
    g_signal_connect(op, "begin-print", G_CALLBACK(BeginPrint), state);
    g_signal_connect(op, "draw-page", G_CALLBACK(DrawPage), state);
    return operation;
}

}  // namespace brivane::print
