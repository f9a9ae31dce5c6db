#pragma once

#include "app/PdfBookFlow.h"
#include "app/StartScreen.h"
#include "app/gtk/FileDrop.h"
#include "app/gtk/FlipbookView.h"
#include "app/gtk/GtkDesktop.h"
#include "web/gtk/WebView.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brivane::app {

// The content of one window: the start page until a flipbook is accepted,
// then the flipbook for good.
class ContentView {
public:
    // What another window has to take on when this one is spoken for.
    struct Elsewhere {
        std::function<void()> chooseFile;
        std::function<void(const std::string& url)> showFile;
        // Files dropped here that this window does not open itself.
        std::function<void(const std::vector<std::string>& urls)> openFiles;
    };

    ContentView(GtkWindow* window, Elsewhere elsewhere);
    ~ContentView();
    ContentView(const ContentView&) = delete;
    ContentView& operator=(const ContentView&) = delete;

    GtkWindow* Window() const { return window_; }
    bool ShowsStartPage() const { return !startScreen_->showFlipbook(); }
    // On its start page with no file being chosen, checked or made into a book.
    bool AcceptsFile() const { return ShowsStartPage() && !webView_->FlowRunning() && !making_; }
    // A file handed over by the system: shown without the check.
    void ShowOpenedURL(const std::string& url);
    // The open-file flow of the start page, from the menu.
    void OpenFlipbookFile();
    // Makes a book of the PDF and shows it here.
    void OpenPdf(const std::string& pdfUrl);
    // The PDF chooser, then OpenPdf.
    void ChoosePdf();

private:
    void ShowFlipbook(const std::string& url);
    void Dropped(const std::vector<std::string>& urls);
    void ShowMaking(bool making);

    GtkWindow* window_;
    Elsewhere elsewhere_;
    std::shared_ptr<GtkDesktop> desktop_;
    std::shared_ptr<StartScreen> startScreen_;
    std::unique_ptr<web::WebView> webView_;
    RefPtr<GtkWidget> startOverlay_;
    GtkWidget* makingBox_ = nullptr;
    std::unique_ptr<FileDrop> drop_;
    std::unique_ptr<FlipbookView> flipbookView_;
    guint startLoad_ = 0;  // the start page's load, waiting for the window to settle
    bool making_ = false;
    std::optional<PdfBookFlow::Made> madeBook_;  // held while the window shows it
    std::shared_ptr<ContentView*> self_;         // cleared when the window goes: late answers find nobody
};

}  // namespace brivane::app
