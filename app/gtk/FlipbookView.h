#pragma once

#include "app/gtk/FullscreenAction.h"
#include "app/gtk/NativeFirstPage.h"
#include "app/gtk/ReaderActions.h"
#include "app/gtk/TextPane.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"
#include "web/Desktop.h"
#include "web/FlipbookWindow.h"
#include "web/ReadAloud.h"
#include "web/gtk/WebViewFlipbook.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

namespace brivane::app {

// The reading view of one window: the reader page, with progress and
// problems shown over it. It owns the page's view, so it outlives it as the
// window the page reports to.
class FlipbookView : public web::FlipbookWindow {
public:
    // recordUrl: the PDF a made book came from, for the recent books.
    FlipbookView(GtkWindow* window, std::string urlFlipbook, std::shared_ptr<web::Desktop> desktop,
                 std::string recordUrl = {});
    ~FlipbookView() override;
    FlipbookView(const FlipbookView&) = delete;
    FlipbookView& operator=(const FlipbookView&) = delete;

    GtkWidget* Widget() const { return paned_.get(); }
    // The layer over the page alone, beside the page-text pane.
    GtkOverlay* PageOverlay() const { return GTK_OVERLAY(overlay_.get()); }

private:
    // web::FlipbookWindow, for the page's view alone.
    void SetIcon(const std::string& pngPath) override;
    void SetTitle(const std::string& title) override;
    void ShowBusy(bool busy) override;
    void ShowProgress(const std::string& text, double fraction) override;
    void ShowProblem(const std::string& text) override;
    void FlipbookShown(const std::string& fileUrl) override;
    void PagesDrawn() override;
    void SetFullscreen(bool fullscreen) override;
    void ShowText(const web::BridgeProtocol::ShownPages& shown) override;
    void ShowFindStatus(const std::string& status) override;
    void ShowContents(const std::vector<web::BridgeProtocol::ContentsEntry>& entries) override;

    void Reload();
    static void RememberRecent(const std::string& fileUrl);
    // The page's text beside it, the menus' actions and the voice.
    void AddReadingAids();
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
    // Goes before the widgets above: it never reports into one that is gone.
    std::unique_ptr<web::WebViewFlipbook> webView_;
    std::unique_ptr<NativeFirstPage> firstPage_;
    std::unique_ptr<FullscreenAction> fullscreen_;
    // After the view: the voice stops before the page it marks goes.
    std::unique_ptr<web::ReadAloud> readAloud_;
    std::unique_ptr<ReaderActions> actions_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for answers that come late
};

}  // namespace brivane::app
