#pragma once

#include "base/GObjectPtr.h"

#include <gtk/gtk.h>

namespace brivane::web {

// Both pages' web views are made here: scripts on, and a "bridge" script
// message handler registered on the view's own content manager.
class BridgedWebView {
public:
    struct Options {
        bool readerPage = false;  // the inspector is on
    };
    static RefPtr<GtkWidget> Create(const Options& options);
    // Connects handler(WebKitUserContentManager*, JSCValue*, gpointer) to the bridge.
    static SignalConnection OnMessage(GtkWidget* view, GCallback handler, gpointer data);
};

}  // namespace brivane::web
