#include "app/gtk/ScreenReaderStatus.h"

#include <gio/gio.h>

namespace brivane::app {

namespace {
struct Asking {
    std::weak_ptr<void> alive;
    std::function<void()> running;
};
}  // namespace

void ScreenReaderStatus::Ask(std::weak_ptr<void> alive, std::function<void()> running) {
    GApplication* app = g_application_get_default();
    GDBusConnection* bus = app ? g_application_get_dbus_connection(app) : nullptr;
    if (!bus) return;
    g_dbus_connection_call(
        bus, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.a11y.Status", "ScreenReaderEnabled"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<Asking> asking(static_cast<Asking*>(data));
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
            if (!reply) return;  // no accessibility bus: no screen reader either
            GVariant* value = nullptr;
            g_variant_get(reply, "(v)", &value);
            const bool on =
                value && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
            if (value) g_variant_unref(value);
            g_variant_unref(reply);
            if (on && !asking->alive.expired()) asking->running();
        },
        new Asking{std::move(alive), std::move(running)});
}

}  // namespace brivane::app
