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
    webView_->Load();
}

ContentView::~ContentView() { startScreen_->Detach(); }

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
