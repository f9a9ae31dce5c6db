#include "PdfPrintJob.h"

#include <cstring>
#include <memory>

#include "GObjectPtr.h"
#include "PrintGeometry.h"

namespace brivane::print {

namespace {

void DrawPage(GtkPrintOperation*, GtkPrintContext* context, int pageNumber, gpointer data) {
    auto page = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(POPPLER_DOCUMENT(data), pageNumber));
    if (!page) return;
    double width = 0.0;
    double height = 0.0;
    poppler_page_get_size(page.get(), &width, &height);
    const PagePlacement at = PrintGeometry::FitPage(width, height, gtk_print_context_get_width(context),
                                                    gtk_print_context_get_height(context));
    if (at.scale <= 0.0) return;

    cairo_t* cr = gtk_print_context_get_cairo_context(context);
    cairo_save(cr);
    cairo_translate(cr, at.offsetX, at.offsetY);
    cairo_scale(cr, at.scale, at.scale);
    // Content outside the page box must not spill onto the margins.
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);
    poppler_page_render_for_printing(page.get(), cr);
    cairo_restore(cr);
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

RefPtr<GtkPrintOperation> PdfPrintJob::NewOperation(PopplerDocument* document, const std::string& jobName) {
    auto operation = RefPtr<GtkPrintOperation>::Adopt(gtk_print_operation_new());
    GtkPrintOperation* op = operation.get();
    AttachState(op, "brivane-pdf", std::make_unique<RefPtr<PopplerDocument>>(RefPtr<PopplerDocument>::Ref(document)));
    gtk_print_operation_set_n_pages(op, poppler_document_get_n_pages(document));
    // Points, like PDF page boxes: the context's size is then the printable area in points.
    gtk_print_operation_set_unit(op, GTK_UNIT_POINTS);
    gtk_print_operation_set_use_full_page(op, FALSE);
    gtk_print_operation_set_embed_page_setup(op, TRUE);
    if (!jobName.empty()) gtk_print_operation_set_job_name(op, jobName.c_str());
    g_signal_connect(op, "draw-page", G_CALLBACK(DrawPage), document);
    return operation;
}

bool PdfPrintJob::Export(const std::string& uri, const std::string& pdfPath) {
    const RefPtr<PopplerDocument> document = Load(uri);
    if (!document) return false;
    const RefPtr<GtkPrintOperation> operation = NewOperation(document.get(), {});
    gtk_print_operation_set_export_filename(operation.get(), pdfPath.c_str());
    GErrorSlot error;
    const GtkPrintOperationResult result =
        gtk_print_operation_run(operation.get(), GTK_PRINT_OPERATION_ACTION_EXPORT, nullptr, error.Out());
    return result == GTK_PRINT_OPERATION_RESULT_APPLY;
}

}  // namespace brivane::print
