#pragma once

#include <gtk/gtk.h>

namespace brivane::app {

// The Go, View and Book menus: the reader's toolbar as native menu items a
// screen reader can reach. Their actions belong to windows reading a book.
class ReaderMenus {
public:
    static void Install(GtkApplication* app, GMenu* menubar);

    struct Item {
        const char* label;   // English, as the catalogue's key
        const char* action;  // "win.next-page"
        const char* accel;   // shown only: the reader page already has the key; or null
    };
};

}  // namespace brivane::app
