#pragma once

#include "FlipbookView.h"
#include "GtkDesktop.h"
#include "StartScreen.h"
#include "WebView.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace brivane::app {

// The content of one window: the start page until a flipbook is accepted,
// then the flipbook for good.
class ContentView {
public:
    explicit ContentView(GtkWindow* window);
    ~ContentView();
    ContentView(const ContentView&) = delete;
    ContentView& operator=(const ContentView&) = delete;

    GtkWindow* Window() const { return window_; }
    bool ShowsStartPage() const { return !startScreen_->showFlipbook(); }
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
};

}  // namespace brivane::app
