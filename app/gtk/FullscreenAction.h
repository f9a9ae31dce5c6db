#pragma once

#include "base/GObjectPtr.h"

#include <gtk/gtk.h>

#include <functional>

namespace brivane::app {

// win.fullscreen of a reading window: the window covers the screen with the
// book alone, the menu bar hidden. Its state follows the window, however the
// window got there (the action, the page's control, the window manager).
class FullscreenAction {
public:
    static constexpr const char* NAME = "fullscreen";

    // changed hears every change of the window's state, once each.
    FullscreenAction(GtkWindow* window, std::function<void(bool fullscreen)> changed);
    ~FullscreenAction();
    FullscreenAction(const FullscreenAction&) = delete;
    FullscreenAction& operator=(const FullscreenAction&) = delete;

    // What the page asks for.
    void Set(bool fullscreen);

private:
    static void Changed(GObject* window, GParamSpec*, gpointer self);
    static gboolean KeyPressed(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, gpointer self);

    GtkWindow* window_;  // weak
    RefPtr<GSimpleAction> action_;
    std::function<void(bool)> changed_;
    bool shown_ = false;
    SignalConnection notify_;
    GtkEventController* keys_ = nullptr;  // owned by the window
};

}  // namespace brivane::app
