#include "app/gtk/TextPane.h"

#include "base/Unique.h"

#include <glib/gi18n-lib.h>  // for _()

namespace brivane::app {

namespace {
template <int Direction>
void Search(GtkSearchEntry* entry, gpointer find) {
    (*static_cast<std::function<void(const std::string&, int)>*>(find))(gtk_editable_get_text(GTK_EDITABLE(entry)),
                                                                        Direction);
}
}  // namespace

TextPane::TextPane(std::function<void(const std::string& query, int direction)> find)
    : box_(RefPtr<GtkWidget>::Sink(gtk_box_new(GTK_ORIENTATION_VERTICAL, 6))), find_(std::move(find)) {
    GtkWidget* box = box_.get();
    gtk_widget_set_size_request(box, 280, -1);
    heading_ = gtk_label_new(_("Page Text"));
    gtk_widget_add_css_class(heading_, "heading");
    gtk_label_set_xalign(GTK_LABEL(heading_), 0);
    gtk_widget_set_margin_start(heading_, 8);
    gtk_widget_set_margin_top(heading_, 6);
    gtk_box_append(GTK_BOX(box), heading_);

    // The page's find bar is out of a screen reader's reach: this field asks
    // the same search, and its count comes back in the status line.
    search_ = gtk_search_entry_new();
    gtk_search_entry_set_search_delay(GTK_SEARCH_ENTRY(search_), 300);
    g_object_set(search_, "placeholder-text", _("Find in book"), nullptr);
    gtk_accessible_update_property(GTK_ACCESSIBLE(search_), GTK_ACCESSIBLE_PROPERTY_LABEL, _("Find in book"), -1);
    gtk_widget_set_margin_start(search_, 8);
    gtk_widget_set_margin_end(search_, 8);
    g_signal_connect(search_, "search-changed", G_CALLBACK(Search<0>), &find_);
    g_signal_connect(search_, "activate", G_CALLBACK(Search<1>), &find_);
    g_signal_connect(search_, "next-match", G_CALLBACK(Search<1>), &find_);
    g_signal_connect(search_, "previous-match", G_CALLBACK(Search<-1>), &find_);
    gtk_box_append(GTK_BOX(box), search_);

    view_ = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view_), FALSE);
    // A caret lets a screen reader walk the text by line and word.
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view_), TRUE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view_), GTK_WRAP_WORD_CHAR);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view_), 8);
    gtk_text_view_set_right_margin(GTK_TEXT_VIEW(view_), 8);
    gtk_text_view_set_pixels_below_lines(GTK_TEXT_VIEW(view_), 2);
    gtk_accessible_update_relation(GTK_ACCESSIBLE(view_), GTK_ACCESSIBLE_RELATION_LABELLED_BY, heading_, nullptr, -1);
    GtkWidget* scroller = gtk_scrolled_window_new();
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), view_);
    gtk_widget_set_vexpand(scroller, TRUE);
    gtk_box_append(GTK_BOX(box), scroller);

    // GTK 4.8 has no way to announce: a status label's change is what reaches
    // a screen reader.
    status_ = GTK_WIDGET(g_object_new(GTK_TYPE_LABEL, "accessible-role", GTK_ACCESSIBLE_ROLE_STATUS, "wrap", TRUE,
                                      "xalign", 0.0F, nullptr));
    gtk_widget_set_margin_start(status_, 8);
    gtk_widget_set_margin_end(status_, 8);
    gtk_widget_set_margin_bottom(status_, 6);
    gtk_box_append(GTK_BOX(box), status_);
    gtk_widget_set_visible(box, FALSE);
}

void TextPane::Show(const web::BridgeProtocol::ShownPages& shown) {
    std::string text;
    for (const auto& page : shown.pages) {
        if (!text.empty()) text += "\n\n";
        // Where one page ends and the next begins, in words a listener hears.
        UniqueGChars heading(g_strdup_printf(_("Page %d"), page.number));
        text += heading.get();
        text += "\n";
        text += page.text.empty() ? _("(no text on this page)") : page.text;
    }
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view_));
    gtk_text_buffer_set_text(buffer, text.c_str(), static_cast<int>(text.size()));
    GtkTextIter start;
    gtk_text_buffer_get_start_iter(buffer, &start);
    gtk_text_buffer_place_cursor(buffer, &start);
}

void TextPane::Focus() {
    gtk_widget_set_visible(box_.get(), TRUE);
    gtk_widget_grab_focus(view_);
}

bool TextPane::Toggle() {
    if (gtk_widget_get_visible(box_.get()) && gtk_widget_has_focus(view_)) {
        gtk_widget_set_visible(box_.get(), FALSE);
        return true;
    }
    Focus();
    return false;
}

void TextPane::FocusFind() {
    gtk_widget_set_visible(box_.get(), TRUE);
    gtk_widget_grab_focus(search_);
}

void TextPane::Status(const std::string& text) { gtk_label_set_text(GTK_LABEL(status_), text.c_str()); }

}  // namespace brivane::app
