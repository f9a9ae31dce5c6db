#include "app/gtk/FullscreenAction.h"

#include <utility>

namespace brivane::app {

FullscreenAction::FullscreenAction(GtkWindow* window, std::function<void(bool)> changed)
    : window_(window),
      action_(RefPtr<GSimpleAction>::Adopt(
          g_simple_action_new_stateful(NAME, nullptr, g_variant_new_boolean(gtk_window_is_fullscreen(window))))),
      changed_(std::move(changed)),
      shown_(gtk_window_is_fullscreen(window)) {
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
    // The state changes only when the window says it did: a window manager
    // may refuse, and the menu's check mark must not lie.
    g_signal_connect(action_.get(), "change-state", G_CALLBACK(+[](GSimpleAction*, GVariant* value, gpointer self) {
                         static_cast<FullscreenAction*>(self)->Set(g_variant_get_boolean(value));
                     }),
                     this);
    g_signal_connect(action_.get(), "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
                         auto* self = static_cast<FullscreenAction*>(data);
                         self->Set(!(self->window_ && gtk_window_is_fullscreen(self->window_)));
                     }),
                     this);
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action_.get()));
    notify_ = SignalConnection(window_, "notify::fullscreened", G_CALLBACK(Changed), this);
    // Escape belongs to the page first (its find bar and panels); it reaches
    // the window only when nothing there took it, as over a problem message.
    keys_ = gtk_event_controller_key_new();
    g_signal_connect(keys_, "key-pressed", G_CALLBACK(KeyPressed), this);
    gtk_widget_add_controller(GTK_WIDGET(window_), keys_);
}

gboolean FullscreenAction::KeyPressed(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state,
                                      gpointer data) {
    auto* self = static_cast<FullscreenAction*>(data);
    const auto mods = state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_ALT_MASK | GDK_SUPER_MASK);
    if (keyval != GDK_KEY_Escape || mods || !self->window_ || !gtk_window_is_fullscreen(self->window_)) return FALSE;
    self->Set(false);
    return TRUE;
}

FullscreenAction::~FullscreenAction() {
    g_signal_handlers_disconnect_by_data(action_.get(), this);
    if (!window_) return;
    g_action_map_remove_action(G_ACTION_MAP(window_), NAME);
    gtk_widget_remove_controller(GTK_WIDGET(window_), keys_);
    g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void FullscreenAction::Set(bool fullscreen) {
    if (!window_ || fullscreen == static_cast<bool>(gtk_window_is_fullscreen(window_))) return;
    if (fullscreen)
        gtk_window_fullscreen(window_);
    else
        gtk_window_unfullscreen(window_);
}

void FullscreenAction::Changed(GObject* window, GParamSpec*, gpointer data) {
    auto* self = static_cast<FullscreenAction*>(data);
    const bool fullscreen = gtk_window_is_fullscreen(GTK_WINDOW(window));
    if (fullscreen == self->shown_) return;
    self->shown_ = fullscreen;
    g_simple_action_set_state(self->action_.get(), g_variant_new_boolean(fullscreen));
    if (GTK_IS_APPLICATION_WINDOW(window))
        gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window), !fullscreen);
    if (self->changed_) self->changed_(fullscreen);
}

}  // namespace brivane::app
