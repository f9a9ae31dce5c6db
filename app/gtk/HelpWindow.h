#pragma once

#include <gtk/gtk.h>

namespace brivane::app {

// The help page shipped with the program, in a window of its own: it gets the
// pages' translations the way every other shipped page does, which a browser
// opening the file would not.
class HelpWindow {
public:
    // One help window at a time; a second call brings it forward.
    static void Present(GtkWindow* parent);
};

}  // namespace brivane::app
