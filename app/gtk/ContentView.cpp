#include "ContentView.h"

#include "WindowLooks.h"

namespace brivane::app {

ContentView::ContentView(GtkWindow* window, Elsewhere elsewhere)
    : window_(window),
      desktop_(std::make_shared<GtkDesktop>(window)),
      startScreen_(StartScreen::Create(
          desktop_, [this](const std::string& url) { ShowFlipbook(url); }, std::move(elsewhere.showFile))) {
    std::weak_ptr<StartScreen> screen = startScreen_;
    webView_ = std::make_unique<web::WebView>(
        desktop_,
        [screen](const std::string& url, document::CheckResult result) {
            if (auto s = screen.lock()) s->HandleCheckResult(url, result);
        },
        std::move(elsewhere.chooseFile));
    gtk_window_set_child(window_, webView_->Widget());
    WindowLooks::ApplyStartWindowStyle(window_);
    // A window made for a file given at launch leaves the start page at once:
    // loading it first would start a web process only to throw it away.
    startLoad_ = g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        +[](gpointer data) {
            auto* self = static_cast<ContentView*>(data);
            self->startLoad_ = 0;
            if (self->webView_) self->webView_->Load();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

ContentView::~ContentView() {
    if (startLoad_) g_source_remove(startLoad_);
    startScreen_->Detach();
}

void ContentView::ShowOpenedURL(const std::string& url) { startScreen_->ShowOpenedURL(url); }

void ContentView::OpenFlipbookFile() {
    if (ShowsStartPage() && webView_) webView_->OpenFlipbookFile();
}

void ContentView::ShowFlipbook(const std::string& url) {
    flipbookView_ = std::make_unique<FlipbookView>(window_, url, desktop_);
    gtk_window_set_child(window_, flipbookView_->Widget());
    WindowLooks::ApplyFlipbookWindowLayout(window_);
    web::WebView::Retire(std::move(webView_));
}

}  // namespace brivane::app
