#pragma once

#include <gtk/gtk.h>

namespace brivane::print {

// The one set of print settings the whole process shares, so that the
// printer, paper and copies chosen for one print are offered for the next.
// Main thread only, like everything GTK.
class PrintSettingsStore {
public:
    // Hands the shared settings to an operation about to run (if any yet).
    static void ApplyTo(GtkPrintOperation* operation);
    // Keeps what the user chose in a dialog that was confirmed.
    static void RememberFrom(GtkPrintOperation* operation);
};

}  // namespace brivane::print
