#pragma once

#include <gtk/gtk.h>

#include <functional>

namespace brivane::app {

// Asks for a page number in a small native dialog, for "Go to Page…".
class GoToPageDialog {
public:
    // go: called with the chosen page when the user confirms.
    static void Run(GtkWindow* parent, int current, int count, std::function<void(int page)> go);
};

}  // namespace brivane::app
