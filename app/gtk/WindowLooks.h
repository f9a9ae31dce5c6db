#pragma once

#include <gtk/gtk.h>

namespace brivane::app {

// The two window looks and the icon restore. Each look acts on the window
// that shows the view: at once while it is not on screen, otherwise one turn
// of the main loop later, once the view is in.
class WindowLooks {
public:
    static void ApplyStartWindowStyle(GtkWindow* window);
    static void ApplyFlipbookWindowLayout(GtkWindow* window);
    static void ResetAppIcon(GtkWindow* window);
    // The menu bar's height: the window's default size covers it, its content does not.
    static int MenubarHeight(GtkWindow* window);
};

}  // namespace brivane::app
