#include "app/gtk/NavigationList.h"

#include <memory>

namespace brivane::app {

namespace {
struct Going {
    std::vector<int> pages;
    std::function<void(int)> go;
};
}  // namespace

void NavigationList::Show(GtkWindow* parent, const std::string& title, const std::vector<Row>& rows,
                          std::size_t current, std::function<void(int page)> go) {
    // A dialog for Escape to close it, with no buttons: a row is the answer.
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
    gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 360, 480);
    GtkWidget* list = gtk_list_box_new();
    gtk_accessible_update_property(GTK_ACCESSIBLE(list), GTK_ACCESSIBLE_PROPERTY_LABEL, title.c_str(), -1);
    auto* going = new Going{{}, std::move(go)};
    GtkListBoxRow* start = nullptr;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        GtkWidget* label = gtk_label_new(rows[i].text.c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
        gtk_widget_set_margin_start(label, 12 + 18 * rows[i].level);
        gtk_widget_set_margin_end(label, 12);
        gtk_widget_set_margin_top(label, 6);
        gtk_widget_set_margin_bottom(label, 6);
        gtk_list_box_append(GTK_LIST_BOX(list), label);
        going->pages.push_back(rows[i].page);
        if (i == current) start = gtk_list_box_get_row_at_index(GTK_LIST_BOX(list), static_cast<int>(i));
    }
    g_signal_connect_data(
        list, "row-activated", G_CALLBACK(+[](GtkListBox* box, GtkListBoxRow* row, gpointer data) {
            auto* g = static_cast<Going*>(data);
            const int index = gtk_list_box_row_get_index(row);
            if (index >= 0 && static_cast<std::size_t>(index) < g->pages.size()) g->go(g->pages[index]);
            gtk_window_destroy(GTK_WINDOW(gtk_widget_get_root(GTK_WIDGET(box))));
        }),
        going, +[](gpointer data, GClosure*) { delete static_cast<Going*>(data); }, static_cast<GConnectFlags>(0));
    GtkWidget* scroller = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), list);
    gtk_widget_set_vexpand(scroller, TRUE);
    gtk_box_append(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), scroller);
    g_signal_connect(dialog, "response", G_CALLBACK(gtk_window_destroy), nullptr);
    gtk_window_present(GTK_WINDOW(dialog));
    if (start) {
        gtk_list_box_select_row(GTK_LIST_BOX(list), start);
        gtk_widget_grab_focus(GTK_WIDGET(start));
    }
}

}  // namespace brivane::app
