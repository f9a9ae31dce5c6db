#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace brivane::app {

// The keys of the reader page and the window, in a native shortcuts window.
class ShortcutsWindow {
public:
    struct Shortcut {
        const char* accelerator;  // GTK accelerator syntax, several separated by spaces
        const char* title;        // English, translated when shown
    };
    struct Group {
        const char* title;
        std::vector<Shortcut> shortcuts;
    };

    static const std::vector<Group>& Groups();
    // The builder description of the window, texts translated and escaped.
    static std::string Description(const std::vector<Group>& groups);
    static GtkWindow* Create(GtkWindow* parent);
};

}  // namespace brivane::app
