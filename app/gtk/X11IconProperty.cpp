#include "app/gtk/X11IconProperty.h"

#ifdef GDK_WINDOWING_X11
#include <X11/Xatom.h>  // for XA_CARDINAL
#include <gdk/x11/gdkx.h>
#endif

namespace brivane::app {

bool X11IconProperty::Applies(GtkWindow* window) {
#ifdef GDK_WINDOWING_X11
    return window && GDK_IS_X11_DISPLAY(gtk_widget_get_display(GTK_WIDGET(window)));
#else
    (void)window;
    return false;
#endif
}

bool X11IconProperty::Write(GtkWindow* window, const std::vector<unsigned long>& data) {
#ifdef GDK_WINDOWING_X11
    if (!Applies(window) || !gtk_widget_get_realized(GTK_WIDGET(window))) return false;
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    if (!surface) return false;
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    Display* xdisplay = gdk_x11_display_get_xdisplay(display);
    const Window xid = gdk_x11_surface_get_xid(surface);
    const Atom atom = gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_ICON");

    // A window destroyed behind our back must not take the program down.
    gdk_x11_display_error_trap_push(display);
    if (data.empty()) {
        XDeleteProperty(xdisplay, xid, atom);
    } else {
        XChangeProperty(xdisplay, xid, atom, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    }
    return gdk_x11_display_error_trap_pop(display) == 0;
#else
    (void)window;
    (void)data;
    return false;
#endif
}

}  // namespace brivane::app
