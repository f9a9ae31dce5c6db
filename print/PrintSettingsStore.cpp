#include "print/PrintSettingsStore.h"

#include "base/GObjectPtr.h"

namespace brivane::print {

namespace {
RefPtr<GtkPrintSettings>& Shared() {
    static RefPtr<GtkPrintSettings> settings;
    return settings;
}
}  // namespace

void PrintSettingsStore::ApplyTo(GtkPrintOperation* operation) {
    if (Shared()) gtk_print_operation_set_print_settings(operation, Shared().get());
}

void PrintSettingsStore::RememberFrom(GtkPrintOperation* operation) {
    GtkPrintSettings* chosen = gtk_print_operation_get_print_settings(operation);
    // A copy: the operation's object may still be changed by a print in flight.
    if (chosen) Shared() = RefPtr<GtkPrintSettings>::Adopt(gtk_print_settings_copy(chosen));
}

}  // namespace brivane::print
