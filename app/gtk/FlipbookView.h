#pragma once

#include "app/gtk/FullscreenAction.h"
#include "app/gtk/NativeFirstPage.h"
#include "app/gtk/ReaderActions.h"
#include "app/gtk/TextPane.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"
#include "web/Desktop.h"
#include "web/ReadAloud.h"
#include "web/gtk/WebViewFlipbook.h"

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

    GtkWidget* Widget() const { return paned_.get(); }

private:
    void SetIcon(const std::string& pngPath);
    void ShowProblem(const std::string& text);
    void Reload();
    static void RememberRecent(const std::string& fileUrl);
    // The page's text beside it, the menus' actions and the voice.
    void AddReadingAids();
    void ShowText(const web::BridgeProtocol::ShownPages& shown);
    void Find(const std::string& query, int direction);
    void ListContents();
    void ListPages();
    static const char* MimeTypeOf(const std::string& fileUrl);

    GtkWindow* window_;        // weak
    RefPtr<GtkWidget> paned_;  // the page, and the text pane beside it
    RefPtr<GtkWidget> overlay_;
    TextPane textPane_{[this](const std::string& query, int direction) { Find(query, direction); }};
    web::BridgeProtocol::ShownPages shown_;
    std::vector<web::BridgeProtocol::ContentsEntry> contents_;
    GtkWidget* busy_ = nullptr;
    GtkWidget* busyText_ = nullptr;
    GtkWidget* busyBar_ = nullptr;
    GtkWidget* problem_ = nullptr;  // the text and a Reload button
    GtkWidget* problemText_ = nullptr;
    SignalConnection reloadClicked_;
    std::unique_ptr<web::WebViewFlipbook> webView_;
    std::unique_ptr<NativeFirstPage> firstPage_;
    std::unique_ptr<FullscreenAction> fullscreen_;
    // After the view: the voice stops before the page it marks goes.
    std::unique_ptr<web::ReadAloud> readAloud_;
    std::unique_ptr<ReaderActions> actions_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for answers that come late
};

}  // namespace brivane::app
