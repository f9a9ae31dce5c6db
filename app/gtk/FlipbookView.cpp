#include "app/gtk/FlipbookView.h"

#include "app/gtk/GoToPageDialog.h"
#include "app/gtk/NavigationList.h"
#include "app/gtk/ScreenReaderStatus.h"
#include "app/gtk/VoiceChoice.h"
#include "app/gtk/WindowIcon.h"
#include "base/GObjectPtr.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

namespace brivane::app {

FlipbookView::FlipbookView(GtkWindow* window, std::string urlFlipbook, std::shared_ptr<web::Desktop> desktop,
                           std::string recordUrl)
    : window_(window),
      paned_(RefPtr<GtkWidget>::Sink(gtk_paned_new(GTK_ORIENTATION_HORIZONTAL))),
      overlay_(RefPtr<GtkWidget>::Sink(gtk_overlay_new())) {
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));

    webView_ = std::make_unique<web::WebViewFlipbook>(urlFlipbook, std::move(desktop), *this, std::move(recordUrl));
    gtk_overlay_set_child(GTK_OVERLAY(overlay_.get()), webView_->Widget());
    // Under the busy hint and any problem, over the page until it has drawn.
    // The web view's loads wait for it: starting a web process holds up the frame.
    webView_->HoldLoads();
    firstPage_ = std::make_unique<NativeFirstPage>(window_, GTK_OVERLAY(overlay_.get()), std::move(urlFlipbook),
                                                   [this] { webView_->ReleaseLoads(); });

    busy_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    // Light on dark whatever the page under it shows.
    gtk_widget_add_css_class(busy_, "osd");
    GtkWidget* busyContent = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_widget_set_margin_top(busyContent, 18);
    gtk_widget_set_margin_bottom(busyContent, 18);
    gtk_widget_set_margin_start(busyContent, 24);
    gtk_widget_set_margin_end(busyContent, 24);
    gtk_box_append(GTK_BOX(busy_), busyContent);
    GtkWidget* spinner = gtk_spinner_new();
    gtk_spinner_start(GTK_SPINNER(spinner));
    gtk_widget_set_size_request(spinner, 48, 48);
    gtk_box_append(GTK_BOX(busyContent), spinner);
    busyText_ = gtk_label_new(_("Opening flipbook…"));
    gtk_box_append(GTK_BOX(busyContent), busyText_);
    busyBar_ = gtk_progress_bar_new();
    gtk_widget_set_size_request(busyBar_, 240, -1);
    gtk_widget_set_visible(busyBar_, FALSE);
    gtk_box_append(GTK_BOX(busyContent), busyBar_);
    gtk_widget_set_halign(busy_, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(busy_, GTK_ALIGN_CENTER);
    gtk_widget_set_visible(busy_, FALSE);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay_.get()), busy_);

    problem_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    problemText_ = gtk_label_new(nullptr);
    gtk_label_set_wrap(GTK_LABEL(problemText_), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(problemText_), 50);
    gtk_label_set_justify(GTK_LABEL(problemText_), GTK_JUSTIFY_CENTER);
    gtk_box_append(GTK_BOX(problem_), problemText_);
    GtkWidget* reload = gtk_button_new_with_mnemonic(_("_Reload"));
    gtk_widget_set_halign(reload, GTK_ALIGN_CENTER);
    reloadClicked_ = SignalConnection(
        reload, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) { static_cast<FlipbookView*>(self)->Reload(); }),
        this);
    gtk_box_append(GTK_BOX(problem_), reload);
    gtk_widget_set_halign(problem_, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(problem_, GTK_ALIGN_CENTER);
    gtk_widget_set_visible(problem_, FALSE);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay_.get()), problem_);

    fullscreen_ = std::make_unique<FullscreenAction>(window_, [this](bool on) { webView_->FullscreenChanged(on); });
    AddReadingAids();
    webView_->Load();
}

void FlipbookView::AddReadingAids() {
    gtk_paned_set_start_child(GTK_PANED(paned_.get()), overlay_.get());
    gtk_paned_set_end_child(GTK_PANED(paned_.get()), textPane_.Widget());
    gtk_paned_set_resize_end_child(GTK_PANED(paned_.get()), FALSE);
    gtk_paned_set_shrink_end_child(GTK_PANED(paned_.get()), FALSE);

    web::ReadAloud::Effects voice;
    voice.mark = [this](int page, std::size_t from, std::size_t to) { webView_->MarkSpeaking(page, from, to); };
    voice.unmark = [this] { webView_->MarkSpeaking(0, 0, 0); };
    voice.turn = [this] { webView_->RunCommand("next"); };
    voice.tell = [this](const std::string& text) { textPane_.Status(text); };
    voice.changed = [this](web::ReadAloud::State state) {
        if (actions_) actions_->Reading(state);
    };
    readAloud_ = std::make_unique<web::ReadAloud>(VoiceChoice::Make(), std::move(voice));

    ReaderActions::Commands commands;
    commands.page = [this](const std::string& command) { webView_->RunCommand(command); };
    commands.goToPage = [this] {
        const int current = shown_.pages.empty() ? 1 : shown_.pages.front().number;
        GoToPageDialog::Run(window_, current, shown_.count, [this](int page) { webView_->GoToPage(page); });
    };
    commands.pageText = [this] {
        // The keys go back to the page, where they turn it.
        if (textPane_.Toggle()) gtk_widget_grab_focus(webView_->Widget());
    };
    commands.find = [this] { textPane_.FocusFind(); };
    commands.contentsList = [this] { ListContents(); };
    commands.pagesList = [this] { ListPages(); };
    commands.readAloud = [this] {
        // Where it says why it cannot read, or what it reads, is in the pane.
        gtk_widget_set_visible(textPane_.Widget(), TRUE);
        readAloud_->StartOrPause();
    };
    commands.stopReading = [this] { readAloud_->Stop(); };
    commands.readFaster = [this] { readAloud_->Faster(); };
    commands.readSlower = [this] { readAloud_->Slower(); };
    actions_ = std::make_unique<ReaderActions>(window_, std::move(commands));
    // Someone who hears the screen gets the text without having to find it first.
    ScreenReaderStatus::Ask(alive_, [this] { gtk_widget_set_visible(textPane_.Widget(), TRUE); });
}

void FlipbookView::ListContents() {
    if (contents_.empty()) {
        textPane_.Status(_("This book has no contents."));
        return;
    }
    const int shown = shown_.pages.empty() ? 1 : shown_.pages.front().number;
    std::vector<NavigationList::Row> rows;
    std::size_t current = 0;
    for (const auto& entry : contents_) {
        // The chapter the reader is in: the last entry that starts at or before the page.
        if (entry.page <= shown) current = rows.size();
        UniqueGChars text(g_strdup_printf(_("%s, page %d"), entry.title.c_str(), entry.page));
        rows.push_back({text.get(), entry.page, entry.level});
    }
    NavigationList::Show(window_, _("Contents"), rows, current, [this](int page) { webView_->GoToPage(page); });
}

void FlipbookView::ListPages() {
    std::vector<NavigationList::Row> rows;
    for (int page = 1; page <= shown_.count; ++page) {
        UniqueGChars text(g_strdup_printf(_("Page %d"), page));
        rows.push_back({text.get(), page, 0});
    }
    const std::size_t current = shown_.pages.empty() ? 0 : static_cast<std::size_t>(shown_.pages.front().number - 1);
    NavigationList::Show(window_, _("Pages"), rows, current, [this](int page) { webView_->GoToPage(page); });
}

void FlipbookView::Find(const std::string& query, int direction) {
    if (webView_) webView_->Find(query, direction);
}

FlipbookView::~FlipbookView() {
    fullscreen_.reset();
    if (window_) g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void FlipbookView::SetIcon(const std::string& pngPath) {
    if (!window_) return;
    // Without a readable image the window shows the application's own icon.
    if (!WindowIcon::SetFromFile(window_, pngPath)) WindowIcon::Reset(window_);
}

void FlipbookView::SetTitle(const std::string& title) {
    if (window_) gtk_window_set_title(window_, title.c_str());
}

void FlipbookView::ShowBusy(bool busy) { gtk_widget_set_visible(busy_, busy); }

void FlipbookView::ShowProgress(const std::string& text, double fraction) {
    gtk_label_set_text(GTK_LABEL(busyText_), text.c_str());
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(busyBar_), fraction);
    gtk_widget_set_visible(busyBar_, TRUE);
}

void FlipbookView::ShowProblem(const std::string& text) {
    firstPage_.reset();
    gtk_widget_set_visible(webView_->Widget(), FALSE);
    gtk_label_set_text(GTK_LABEL(problemText_), text.c_str());
    gtk_widget_set_visible(problem_, TRUE);
}

void FlipbookView::FlipbookShown(const std::string& fileUrl) { RememberRecent(fileUrl); }

void FlipbookView::PagesDrawn() { firstPage_.reset(); }

void FlipbookView::SetFullscreen(bool fullscreen) {
    if (fullscreen_) fullscreen_->Set(fullscreen);
}

void FlipbookView::ShowText(const web::BridgeProtocol::ShownPages& shown) {
    shown_ = shown;
    textPane_.Show(shown);
    readAloud_->Shown(shown);
}

void FlipbookView::ShowFindStatus(const std::string& status) { textPane_.Status(status); }

void FlipbookView::ShowContents(const std::vector<web::BridgeProtocol::ContentsEntry>& entries) { contents_ = entries; }

void FlipbookView::Reload() {
    gtk_widget_set_visible(problem_, FALSE);
    gtk_widget_set_visible(webView_->Widget(), TRUE);
    webView_->Reload();
}

void FlipbookView::RememberRecent(const std::string& fileUrl) {
    GtkRecentData data{};
    data.mime_type = const_cast<char*>(MimeTypeOf(fileUrl));
    data.app_name = const_cast<char*>(g_get_application_name());
    data.app_exec = const_cast<char*>("brivane-reader %u");
    gtk_recent_manager_add_full(gtk_recent_manager_get_default(), fileUrl.c_str(), &data);
}

const char* FlipbookView::MimeTypeOf(const std::string& fileUrl) {
    // A book made of a PDF is remembered as the PDF.
    const bool pdf = g_str_has_suffix(fileUrl.c_str(), ".pdf") || g_str_has_suffix(fileUrl.c_str(), ".PDF");
    return pdf ? "application/pdf" : "application/x-brivane-flipbook";
}

}  // namespace brivane::app
