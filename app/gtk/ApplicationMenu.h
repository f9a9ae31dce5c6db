#pragma once

#include <gtk/gtk.h>

#include <functional>

namespace brivane::app {

// The program's own menu, first in the bar: the help shipped with the program,
// the shortcuts window and About. Help keeps the service's page alone.
class ApplicationMenu {
public:
    // activeWindow: the window dialogs belong to, or null.
    static void Install(GtkApplication* app, GMenu* menubar, std::function<GtkWindow*()> activeWindow);
    // The actions' names, as the menu and the tests see them.
    static constexpr const char* READER_HELP = "app.reader-help";
    static constexpr const char* SHORTCUTS = "app.shortcuts";
    static constexpr const char* ABOUT = "app.about";
};

}  // namespace brivane::app
