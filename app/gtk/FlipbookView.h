#pragma once

#include "Desktop.h"
#include "GObjectPtr.h"
#include "Unique.h"
#include "WebViewFlipbook.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace brivane::app {

// The reading view of one window: the reader page, with progress and
// problems shown over it.
class FlipbookView {
public:
    // recordUrl: the PDF a made book came from, for the recent books.
    FlipbookView(GtkWindow* window, std::string urlFlipbook, std::shared_ptr<web::Desktop> desktop,
                 std::string recordUrl = {});
    ~FlipbookView();
    FlipbookView(const FlipbookView&) = delete;
    FlipbookView& operator=(const FlipbookView&) = delete;

    GtkWidget* Widget() const { return overlay_.get(); }

private:
    void SetIcon(const std::string& pngPath);
    void ShowProblem(const std::string& text);
    void Reload();
    static void RememberRecent(const std::string& fileUrl);
    static const char* MimeTypeOf(const std::string& fileUrl);

    GtkWindow* window_;  // weak
    RefPtr<GtkWidget> overlay_;
    GtkWidget* busy_ = nullptr;
    GtkWidget* busyText_ = nullptr;
    GtkWidget* busyBar_ = nullptr;
    GtkWidget* problem_ = nullptr;  // the text and a Reload button
    GtkWidget* problemText_ = nullptr;
    SignalConnection reloadClicked_;
    std::unique_ptr<web::WebViewFlipbook> webView_;
};

}  // namespace brivane::app
