#pragma once

#include <gtk/gtk.h>

#include <string>

namespace brivane::app {

// Per-window icons. GTK 4 takes window icons from the icon theme only; on
// X11 we also set _NET_WM_ICON from the image itself.
class WindowIcon {
public:
    // Shows the image at pngPath as the window's icon; false when it cannot
    // be read (the window then keeps the application's own icon).
    static bool SetFromFile(GtkWindow* window, const std::string& pngPath);
    // Back to the application's own icon ("AppIcon": the application id's icon).
    static void Reset(GtkWindow* window);
};

}  // namespace brivane::app
