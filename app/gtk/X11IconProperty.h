#pragma once

#include <gtk/gtk.h>

#include <vector>

namespace brivane::app {

// _NET_WM_ICON on a window's X11 toplevel. Everything here is a no-op
// elsewhere (Wayland has no per-window icons).
class X11IconProperty {
public:
    // True when the window lives on an X11 display.
    static bool Applies(GtkWindow* window);
    // Replaces the property with data (NetWmIcon layout), or removes it when
    // data is empty. False when the window is not on X11 or not realized.
    static bool Write(GtkWindow* window, const std::vector<unsigned long>& data);
};

}  // namespace brivane::app
