#pragma once

#include "base/Unique.h"
#include "web/Desktop.h"
#include "web/StartPageHost.h"

#include <gtk/gtk.h>

#include <memory>

namespace brivane::web {

// The start page view: the shipped main.html in a web view whose bridge
// runs the open-file flow.
class WebView {
public:
    WebView(std::shared_ptr<Desktop> desktop, StartPageHost::UpdateShow updateShow,
            StartPageHost::OpenElsewhere openElsewhere);
    ~WebView();
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;

    GtkWidget* Widget() const;
    // Shows the start page from the start.
    void Load();
    // The same flow as the page's open button.
    void OpenFlipbookFile();
    // Lets a replaced start page go, with its web process, once any echo
    // still due has reached it.
    static void Retire(std::unique_ptr<WebView> view);
    // A file is being chosen or checked: the window is spoken for.
    bool FlowRunning() const;

    // Receives what the web view reports and hands it to the host.
    class Coordinator;

private:
    std::unique_ptr<Coordinator> coordinator_;
};

}  // namespace brivane::web
