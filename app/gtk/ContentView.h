#pragma once

#include "FlipbookView.h"
#include "GtkDesktop.h"
#include "StartScreen.h"
#include "WebView.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

namespace brivane::app {

// The content of one window: the start page until a flipbook is accepted,
// then the flipbook for good.
class ContentView {
public:
    // What another window has to take on when this one is spoken for.
    struct Elsewhere {
        std::function<void()> chooseFile;
        std::function<void(const std::string& url)> showFile;
    };

    ContentView(GtkWindow* window, Elsewhere elsewhere);
    ~ContentView();
    ContentView(const ContentView&) = delete;
    ContentView& operator=(const ContentView&) = delete;

    GtkWindow* Window() const { return window_; }
    bool ShowsStartPage() const { return !startScreen_->showFlipbook(); }
    // On its start page with no file being chosen or checked.
    bool AcceptsFile() const { return ShowsStartPage() && !webView_->FlowRunning(); }
    // A file handed over by the system: shown without the check.
    void ShowOpenedURL(const std::string& url);
    // The open-file flow of the start page, from the menu.
    void OpenFlipbookFile();

private:
    void ShowFlipbook(const std::string& url);

    GtkWindow* window_;
    std::shared_ptr<GtkDesktop> desktop_;
    std::shared_ptr<StartScreen> startScreen_;
    std::unique_ptr<web::WebView> webView_;
    std::unique_ptr<FlipbookView> flipbookView_;
    guint startLoad_ = 0;  // the start page's load, waiting for the window to settle
};

}  // namespace brivane::app
