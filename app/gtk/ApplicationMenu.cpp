#include "app/gtk/ApplicationMenu.h"

#include "app/gtk/HelpWindow.h"
#include "app/gtk/ShortcutsWindow.h"
#include "base/GObjectPtr.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <memory>
#include <utility>

namespace brivane::app {

namespace {

using ActiveWindow = std::function<GtkWindow*()>;

void AddAction(GtkApplication* app, const char* name, void (*run)(GtkWindow*), const ActiveWindow& active) {
    auto action = RefPtr<GSimpleAction>::Adopt(g_simple_action_new(name, nullptr));
    struct Closure {
        void (*run)(GtkWindow*);
        ActiveWindow active;
    };
    g_signal_connect_data(
        action.get(), "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
            auto* closure = static_cast<Closure*>(data);
            closure->run(closure->active());
        }),
        new Closure{run, active}, +[](gpointer data, GClosure*) { delete static_cast<Closure*>(data); },
        GConnectFlags(0));
    g_action_map_add_action(G_ACTION_MAP(app), G_ACTION(action.get()));
}

void SetAccel(GtkApplication* app, const char* action, const char* accel) {
    const char* list[] = {accel, nullptr};
    gtk_application_set_accels_for_action(app, action, list);
}

}  // namespace

void ApplicationMenu::Install(GtkApplication* app, GMenu* menubar, std::function<GtkWindow*()> activeWindow) {
    AddAction(app, "reader-help", HelpWindow::Present, activeWindow);
    AddAction(
        app, "shortcuts", [](GtkWindow* parent) { gtk_window_present(ShortcutsWindow::Create(parent)); }, activeWindow);
    SetAccel(app, READER_HELP, "F1");
    SetAccel(app, SHORTCUTS, "<Control>question");

    auto menu = RefPtr<GMenu>::Adopt(g_menu_new());
    auto local = RefPtr<GMenu>::Adopt(g_menu_new());
    g_menu_append(local.get(), _("Reader Help"), READER_HELP);
    g_menu_append(local.get(), _("Keyboard Shortcuts"), SHORTCUTS);
    g_menu_append_section(menu.get(), nullptr, G_MENU_MODEL(local.get()));
    auto about = RefPtr<GMenu>::Adopt(g_menu_new());
    g_menu_append(about.get(), _("About Brivane Reader"), ABOUT);
    g_menu_append_section(menu.get(), nullptr, G_MENU_MODEL(about.get()));
    // Named after the program, where desktops that keep such a menu put About.
    g_menu_append_submenu(menubar, g_get_application_name(), G_MENU_MODEL(menu.get()));
}

}  // namespace brivane::app
