#include "print/PdfPrinter.h"

#include "base/Diagnostics.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"
#include "print/PdfPrintJob.h"
#include "print/PrintSettingsStore.h"

namespace brivane::print {

namespace {

constexpr const char* IN_FLIGHT_KEY = "brivane-in-flight";

void OnDone(GtkPrintOperation* operation, GtkPrintOperationResult result, gpointer) {
    if (result == GTK_PRINT_OPERATION_RESULT_APPLY) PrintSettingsStore::RememberFrom(operation);
    if (!g_object_get_data(G_OBJECT(operation), IN_FLIGHT_KEY)) return;
    g_object_set_data(G_OBJECT(operation), IN_FLIGHT_KEY, nullptr);
    // Our reference kept the operation (and with it the document) alive while
    // the dialog was up; let it go once GTK has left this emission.
    g_idle_add_once([](gpointer op) { RefPtr<GtkPrintOperation>::Adopt(GTK_PRINT_OPERATION(op)); }, operation);
}

std::string JobName(const std::string& uri) {
    UniqueGChars path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    if (!path) return {};
    UniqueGChars base(g_path_get_basename(path.get()));
    return base.get();
}

}  // namespace

void PdfPrinter::Print(GtkWindow* parent, const std::string& uri, const std::vector<int>& shownPages) {
    const RefPtr<PopplerDocument> document = PdfPrintJob::Load(uri);
    if (!document) return;
    RefPtr<GtkPrintOperation> operation = PdfPrintJob::NewOperation(document.get(), JobName(uri), shownPages);
    GtkPrintOperation* op = operation.get();
    PrintSettingsStore::ApplyTo(op);
    // The dialog is modal to parent but must not hold the caller in a nested loop.
    gtk_print_operation_set_allow_async(op, TRUE);
    g_signal_connect(op, "done", G_CALLBACK(OnDone), nullptr);

    GErrorSlot error;
    const GtkPrintOperationResult result =
        gtk_print_operation_run(op, GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG, parent, error.Out());
    if (result == GTK_PRINT_OPERATION_RESULT_ERROR && error) Diagnostics::Line(error.Message());
    if (result == GTK_PRINT_OPERATION_RESULT_IN_PROGRESS) {
        g_object_set_data(G_OBJECT(op), IN_FLIGHT_KEY, GINT_TO_POINTER(1));
        static_cast<void>(operation.release());  // handed to OnDone
    } else if (result == GTK_PRINT_OPERATION_RESULT_APPLY) {
        // Finished without going async: "done" may already have passed.
        PrintSettingsStore::RememberFrom(op);
    }
}

}  // namespace brivane::print
