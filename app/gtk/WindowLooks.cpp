#include "app/gtk/WindowLooks.h"

#include "app/WindowGeometry.h"
#include "app/gtk/WindowIcon.h"
#include "base/GObjectPtr.h"

#include <functional>
#include <memory>
#include <optional>

namespace brivane::app {

namespace {

constexpr const char* LOOK_KEY = "brivane-window-look";

struct Deferred {
    GWeakRef window;
    guint look;
    std::function<void(GtkWindow*)> apply;
};

// A window that is not on screen yet takes its look at once, so that it maps
// at that size: deferred, the look could be undone by the configure event of
// the first mapping arriving after it (the window then kept its first size).
// On screen, the look waits one turn, at default priority so that painting
// and page work cannot starve it, and only the latest look asked for applies.
void Apply(GtkWindow* window, std::function<void(GtkWindow*)> apply) {
    const guint look = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(window), LOOK_KEY)) + 1;
    g_object_set_data(G_OBJECT(window), LOOK_KEY, GUINT_TO_POINTER(look));
    if (!gtk_widget_get_mapped(GTK_WIDGET(window))) {
        apply(window);
        return;
    }
    auto* deferred = new Deferred{{}, look, std::move(apply)};
    g_weak_ref_init(&deferred->window, window);
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* d = static_cast<Deferred*>(data);
            if (auto w = RefPtr<GtkWindow>::Adopt(static_cast<GtkWindow*>(g_weak_ref_get(&d->window)))) {
                if (GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(w.get()), LOOK_KEY)) == d->look) d->apply(w.get());
            }
            return G_SOURCE_REMOVE;
        },
        deferred,
        [](gpointer data) {
            auto* d = static_cast<Deferred*>(data);
            g_weak_ref_clear(&d->window);
            delete d;
        });
}

std::optional<WindowGeometry::Size> MonitorOf(GtkWindow* window) {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    GdkMonitor* monitor = nullptr;
    if (GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window)))
        monitor = gdk_display_get_monitor_at_surface(display, surface);
    RefPtr<GdkMonitor> first;
    if (!monitor) {
        GListModel* monitors = gdk_display_get_monitors(display);
        if (g_list_model_get_n_items(monitors) > 0) {
            first = RefPtr<GdkMonitor>::Adopt(static_cast<GdkMonitor*>(g_list_model_get_item(monitors, 0)));
            monitor = first.get();
        }
    }
    if (!monitor) return std::nullopt;
    GdkRectangle geometry;
    gdk_monitor_get_geometry(monitor, &geometry);
    return WindowGeometry::Size{static_cast<double>(geometry.width), static_cast<double>(geometry.height)};
}

}  // namespace

void WindowLooks::ApplyStartWindowStyle(GtkWindow* window) {
    Apply(window, [](GtkWindow* w) {
        gtk_window_set_resizable(w, FALSE);
        gtk_window_set_default_size(w, static_cast<int>(WindowGeometry::START_CONTENT.width),
                                    static_cast<int>(WindowGeometry::START_CONTENT.height));
    });
}

void WindowLooks::ApplyFlipbookWindowLayout(GtkWindow* window) {
    // The origin is left to the window manager: GTK 4 cannot place windows.
    Apply(window, [](GtkWindow* w) {
        const auto size = WindowGeometry::ReadingWindowSize(MonitorOf(w), WindowLooks::MenubarHeight(w));
        gtk_window_set_resizable(w, TRUE);
        gtk_window_set_default_size(w, size.width, size.height);
    });
}

void WindowLooks::ResetAppIcon(GtkWindow* window) { WindowIcon::Reset(window); }

// The menu bar is part of what the default size covers; the reading size is
// meant for the content below it. The menu bar is built on realizing.
int WindowLooks::MenubarHeight(GtkWindow* window) {
    gtk_widget_realize(GTK_WIDGET(window));
    for (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(window)); child;
         child = gtk_widget_get_next_sibling(child)) {
        if (!GTK_IS_POPOVER_MENU_BAR(child) || !gtk_widget_get_visible(child)) continue;
        int minimum = 0, natural = 0;
        gtk_widget_measure(child, GTK_ORIENTATION_VERTICAL, -1, &minimum, &natural, nullptr, nullptr);
        return natural;
    }
    return 0;
}

}  // namespace brivane::app
