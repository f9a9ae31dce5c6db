#pragma once

#include "base/GObjectPtr.h"

#include <glib/gi18n-lib.h>  // for N_()
#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brivane::app {

// Takes files dropped on a window's content. It listens before the widgets
// under the pointer: the web view would otherwise take the drop and navigate
// to the file. Only flipbooks and PDFs light the window up; over anything
// else a hint says what can be dropped.
class FileDrop {
public:
    // accepted: file URLs of flipbooks and PDFs. refused: a drop that holds
    // anything else, none of it opened.
    FileDrop(GtkOverlay* overlay, std::function<void(const std::vector<std::string>& urls)> accepted,
             std::function<void()> refused);
    ~FileDrop();
    FileDrop(const FileDrop&) = delete;
    FileDrop& operator=(const FileDrop&) = delete;

    // English, as the catalogue's key.
    static constexpr const char* REFUSED_TEXT = N_("Only flipbooks (.flip) and PDF documents can be opened.");

private:
    // What a drop of these URLs does: opens them all, or refuses them all.
    bool Receive(const std::vector<std::string>& urls);
    static GdkDragAction Motion(GtkDropTarget* target, double x, double y, gpointer self);
    static void Leave(GtkDropTarget* target, gpointer self);
    static gboolean Drop(GtkDropTarget* target, const GValue* value, double x, double y, gpointer self);
    static void ValueKnown(GObject* target, GParamSpec*, gpointer self);
    GdkDragAction Judge(const GValue* value);

    GtkWidget* overlay_;  // weak: the drop goes with it
    RefPtr<GtkWidget> hint_;
    GtkDropTarget* target_ = nullptr;  // owned by the overlay
    std::function<void(const std::vector<std::string>&)> accepted_;
    std::function<void()> refused_;
    SignalConnection connections_[4];
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for the opening that waits
};

}  // namespace brivane::app
