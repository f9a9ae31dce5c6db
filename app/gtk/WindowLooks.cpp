#include "WindowLooks.h"

#include "GObjectPtr.h"
#include "WindowGeometry.h"
#include "WindowIcon.h"

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace brivane::app {

namespace {

struct Deferred {
    GWeakRef window;
    std::function<void(GtkWindow*)> apply;
};

void Defer(GtkWindow* window, std::function<void(GtkWindow*)> apply) {
    auto* deferred = new Deferred{{}, std::move(apply)};
    g_weak_ref_init(&deferred->window, window);
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer data) -> gboolean {
            auto* d = static_cast<Deferred*>(data);
            if (auto w = RefPtr<GtkWindow>::Adopt(static_cast<GtkWindow*>(g_weak_ref_get(&d->window))))
                d->apply(w.get());
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
    Defer(window, [](GtkWindow* w) {
        gtk_window_set_resizable(w, FALSE);
        gtk_window_set_default_size(w, static_cast<int>(WindowGeometry::START_CONTENT.width),
                                    static_cast<int>(WindowGeometry::START_CONTENT.height));
    });
}

void WindowLooks::ApplyFlipbookWindowLayout(GtkWindow* window) {
    // The origin is left to the window manager: GTK 4 cannot place windows.
    Defer(window, [](GtkWindow* w) {
        const auto size = WindowGeometry::ReadingContentSize(MonitorOf(w));
        gtk_window_set_resizable(w, TRUE);
        gtk_window_set_default_size(w, static_cast<int>(std::lround(size.width)),
                                    static_cast<int>(std::lround(size.height)));
    });
}

void WindowLooks::ResetAppIcon(GtkWindow* window) { WindowIcon::Reset(window); }

}  // namespace brivane::app
