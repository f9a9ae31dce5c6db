#include "app/gtk/GoToPageDialog.h"

#include <glib/gi18n-lib.h>  // for _()

#include <memory>

namespace brivane::app {

namespace {
struct Asking {
    GtkWidget* spin;
    std::function<void(int)> go;
};
}  // namespace

void GoToPageDialog::Run(GtkWindow* parent, int current, int count, std::function<void(int page)> go) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        _("Go to Page"), parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        _("_Cancel"), GTK_RESPONSE_CANCEL, _("_Go"), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_widget_set_margin_start(row, 18);
    gtk_widget_set_margin_end(row, 18);
    gtk_widget_set_margin_top(row, 18);
    gtk_widget_set_margin_bottom(row, 18);
    GtkWidget* label = gtk_label_new_with_mnemonic(_("_Page number:"));
    GtkWidget* spin = gtk_spin_button_new_with_range(1, count > 0 ? count : 1, 1);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), current);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), spin);
    gtk_box_append(GTK_BOX(row), label);
    gtk_box_append(GTK_BOX(row), spin);
    gtk_box_append(GTK_BOX(area), row);
    // Enter in the number confirms, as in any dialog with a default button; in
    // GTK 4.8 only the spin button's text field says it was activated.
    g_signal_connect_swapped(gtk_editable_get_delegate(GTK_EDITABLE(spin)), "activate",
                             G_CALLBACK(+[](GtkDialog* d) { gtk_dialog_response(d, GTK_RESPONSE_ACCEPT); }), dialog);
    auto* asking = new Asking{spin, std::move(go)};
    g_signal_connect_data(
        dialog, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer data) {
            auto* a = static_cast<Asking*>(data);
            if (response == GTK_RESPONSE_ACCEPT) {
                gtk_spin_button_update(GTK_SPIN_BUTTON(a->spin));
                a->go(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(a->spin)));
            }
            gtk_window_destroy(GTK_WINDOW(d));
        }),
        asking, +[](gpointer data, GClosure*) { delete static_cast<Asking*>(data); }, static_cast<GConnectFlags>(0));
    gtk_window_present(GTK_WINDOW(dialog));
}

}  // namespace brivane::app
