#include "app/gtk/ContentView.h"

#include "app/DroppedFiles.h"
#include "app/gtk/WindowLooks.h"
#include "base/FileUrl.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <chrono>

namespace brivane::app {

namespace {

bool IsPdf(const std::string& url) {
    const auto path = PathFromFileUrl(url);
    return path && DroppedFiles::KindOf(*path) == DroppedFiles::Kind::Pdf;
}

constexpr std::chrono::milliseconds SHOW_BUSY_AFTER{700};

GtkWidget* MakingBox() {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_widget_add_css_class(box, "osd");
    GtkWidget* spinner = gtk_spinner_new();
    gtk_spinner_start(GTK_SPINNER(spinner));
    gtk_widget_set_size_request(spinner, 32, 32);
    gtk_box_append(GTK_BOX(box), spinner);
    gtk_box_append(GTK_BOX(box), gtk_label_new(_("Making a book of the PDF…")));
    for (GtkWidget* child = gtk_widget_get_first_child(box); child; child = gtk_widget_get_next_sibling(child)) {
        gtk_widget_set_margin_start(child, 18);
        gtk_widget_set_margin_end(child, 18);
    }
    gtk_widget_set_margin_top(gtk_widget_get_first_child(box), 12);
    gtk_widget_set_margin_bottom(gtk_widget_get_last_child(box), 12);
    gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(box, GTK_ALIGN_CENTER);
    gtk_widget_set_visible(box, FALSE);
    return box;
}

}  // namespace

ContentView::ContentView(GtkWindow* window, Elsewhere elsewhere)
    : window_(window),
      elsewhere_(std::move(elsewhere)),
      desktop_(std::make_shared<GtkDesktop>(window)),
      startScreen_(StartScreen::Create(
          desktop_, [this](const std::string& url) { ShowFlipbook(url); }, elsewhere_.showFile)),
      self_(std::make_shared<ContentView*>(this)) {
    std::weak_ptr<StartScreen> screen = startScreen_;
    std::weak_ptr<ContentView*> self = self_;
    webView_ = std::make_unique<web::WebView>(
        desktop_,
        [screen, self](const std::string& url, document::CheckResult result) {
            // A recent book made of a PDF is remembered as the PDF: it is made again.
            if (auto alive = self.lock(); alive && *alive && result != document::CheckResult::Accepted && IsPdf(url)) {
                (*alive)->OpenPdf(url);
                return;
            }
            if (auto s = screen.lock()) s->HandleCheckResult(url, result);
        },
        elsewhere_.chooseFile);
    startOverlay_ = RefPtr<GtkWidget>::Sink(gtk_overlay_new());
    gtk_overlay_set_child(GTK_OVERLAY(startOverlay_.get()), webView_->Widget());
    makingBox_ = MakingBox();
    gtk_overlay_add_overlay(GTK_OVERLAY(startOverlay_.get()), makingBox_);
    drop_ = std::make_unique<FileDrop>(
        GTK_OVERLAY(startOverlay_.get()), [this](const std::vector<std::string>& urls) { Dropped(urls); },
        [this] {
            desktop_->ShowAlert({_(FileDrop::REFUSED_TEXT), {_("Close")}}, [](int) {});
        });
    gtk_window_set_child(window_, startOverlay_.get());
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
    *self_ = nullptr;
    startScreen_->Detach();
}

void ContentView::ShowOpenedURL(const std::string& url) { startScreen_->ShowOpenedURL(url); }

void ContentView::OpenFlipbookFile() {
    if (ShowsStartPage() && webView_) webView_->OpenFlipbookFile();
}

void ContentView::ChoosePdf() {
    std::weak_ptr<ContentView*> self = self_;
    desktop_->ChoosePdfFile([self](std::optional<std::string> url) {
        auto alive = self.lock();
        if (url && alive && *alive) (*alive)->OpenPdf(*url);
    });
}

void ContentView::OpenPdf(const std::string& pdfUrl) {
    if (!AcceptsFile()) {
        if (elsewhere_.openFiles) elsewhere_.openFiles({pdfUrl});
        return;
    }
    ShowMaking(true);
    std::weak_ptr<ContentView*> self = self_;
    // A new window waits for the book: one mapped just before it turns into
    // the reader keeps the start window's size. Only a slow PDF shows the
    // start window, busy, meanwhile.
    if (!gtk_widget_get_mapped(GTK_WIDGET(window_))) {
        desktop_->ScheduleAfter(SHOW_BUSY_AFTER, [self] {
            auto alive = self.lock();
            if (alive && *alive && (*alive)->making_) gtk_window_present((*alive)->window_);
        });
    }
    PdfBookFlow::Start(desktop_, pdfUrl, [self](std::optional<PdfBookFlow::Made> made) {
        auto alive = self.lock();
        if (!alive || !*alive) return;  // the window went meanwhile; the book is swept later
        ContentView& view = **alive;
        view.ShowMaking(false);
        if (made) {
            const std::string bookUrl = made->bookUrl;
            view.madeBook_ = std::move(made);
            view.ShowOpenedURL(bookUrl);
        }
        // On failure the alert needs its window, even a start window.
        gtk_window_present(view.window_);
    });
}

void ContentView::ShowMaking(bool making) {
    making_ = making;
    gtk_widget_set_visible(makingBox_, making);
    // The page underneath must not start another flow meanwhile.
    if (webView_) gtk_widget_set_sensitive(webView_->Widget(), !making);
}

void ContentView::Dropped(const std::vector<std::string>& urls) {
    std::vector<std::string> rest = urls;
    // The start page takes the first file; a reading window keeps its book.
    if (AcceptsFile() && !rest.empty()) {
        const std::string first = rest.front();
        rest.erase(rest.begin());
        if (IsPdf(first))
            OpenPdf(first);
        else
            ShowOpenedURL(first);
    }
    if (!rest.empty() && elsewhere_.openFiles) elsewhere_.openFiles(rest);
}

void ContentView::ShowFlipbook(const std::string& url) {
    const std::string recordUrl = madeBook_ && madeBook_->bookUrl == url ? madeBook_->pdfUrl : std::string();
    flipbookView_ = std::make_unique<FlipbookView>(window_, url, desktop_, recordUrl);
    drop_ = std::make_unique<FileDrop>(
        flipbookView_->PageOverlay(), [this](const std::vector<std::string>& urls) { Dropped(urls); },
        [this] {
            desktop_->ShowAlert({_(FileDrop::REFUSED_TEXT), {_("Close")}}, [](int) {});
        });
    gtk_window_set_child(window_, flipbookView_->Widget());
    WindowLooks::ApplyFlipbookWindowLayout(window_);
    web::WebView::Retire(std::move(webView_));
    startOverlay_ = {};
}

}  // namespace brivane::app
