#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace brivane::app {

// A list of places in the book in a small native window (the contents, every
// page), which a screen reader walks row by row; Enter goes to the row's page.
class NavigationList {
public:
    struct Row {
        std::string text;
        int page = 0;
        int level = 0;  // indented under the row before
    };
    // current: the row to start on.
    static void Show(GtkWindow* parent, const std::string& title, const std::vector<Row>& rows, std::size_t current,
                     std::function<void(int page)> go);
};

}  // namespace brivane::app
