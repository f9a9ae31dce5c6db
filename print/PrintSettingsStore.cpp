#include "PrintSettingsStore.h"

#include "Unique.h"

namespace brivane::print {

namespace {
UniqueGObject<GtkPrintSettings>& Shared() {
    static UniqueGObject<GtkPrintSettings> settings;
    return settings;
}
}  // namespace

void PrintSettingsStore::ApplyTo(GtkPrintOperation* operation) {
    if (Shared()) gtk_print_operation_set_print_settings(operation, Shared().get());
}

void PrintSettingsStore::RememberFrom(GtkPrintOperation* operation) {
    GtkPrintSettings* chosen = gtk_print_operation_get_print_settings(operation);
    // A copy: the operation's object may still be changed by a print in flight.
    if (chosen) Shared().reset(gtk_print_settings_copy(chosen));
}

GtkPrintSettings* PrintSettingsStore::Current() { return Shared().get(); }

}  // namespace brivane::print
