#pragma once

#include "base/GObjectPtr.h"
#include "web/BridgeProtocol.h"

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace brivane::app {

// The text of the pages on screen in native widgets, beside the page: the
// web view shows screen readers nothing of the book, this pane does.
class TextPane {
public:
    // find: what the find field holds (direction 0), or on to the next (1) or previous (-1) match.
    explicit TextPane(std::function<void(const std::string& query, int direction)> find);
    TextPane(const TextPane&) = delete;
    TextPane& operator=(const TextPane&) = delete;

    GtkWidget* Widget() const { return box_.get(); }
    void Show(const web::BridgeProtocol::ShownPages& shown);
    // Opens the pane and puts the keyboard in its text.
    void Focus();
    // Closes it, or opens it and takes the focus; true: it closed.
    bool Toggle();
    // Opens it with the keyboard in the find field.
    void FocusFind();
    // A short line a screen reader speaks when it changes.
    void Status(const std::string& text);
    // The same line, without the pane: for the find count and read aloud.
    GtkWidget* StatusWidget() const { return status_; }

private:
    RefPtr<GtkWidget> box_;
    GtkWidget* heading_ = nullptr;
    GtkWidget* view_ = nullptr;
    GtkWidget* search_ = nullptr;
    std::function<void(const std::string&, int)> find_;
    GtkWidget* status_ = nullptr;
};

}  // namespace brivane::app
