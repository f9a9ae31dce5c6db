#include "FlipbookView.h"

#include "GObjectPtr.h"
#include "WindowIcon.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

namespace brivane::app {

FlipbookView::FlipbookView(GtkWindow* window, std::string urlFlipbook, std::shared_ptr<web::Desktop> desktop,
                           std::string recordUrl)
    : window_(window), overlay_(RefPtr<GtkWidget>::Sink(gtk_overlay_new())) {
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));

    web::WebViewFlipbook::WindowEffects effects;
    effects.setIcon = [this](const std::string& path) { SetIcon(path); };
    effects.setTitle = [this](const std::string& title) {
        if (window_) gtk_window_set_title(window_, title.c_str());
    };
    effects.showBusy = [this](bool busy) { gtk_widget_set_visible(busy_, busy); };
    effects.showProgress = [this](const std::string& text, double fraction) {
        gtk_label_set_text(GTK_LABEL(busyText_), text.c_str());
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(busyBar_), fraction);
        gtk_widget_set_visible(busyBar_, TRUE);
    };
    effects.showProblem = [this](const std::string& text) { ShowProblem(text); };
    effects.flipbookShown = RememberRecent;
    webView_ = std::make_unique<web::WebViewFlipbook>(std::move(urlFlipbook), std::move(desktop), std::move(effects),
                                                      std::move(recordUrl));
    gtk_overlay_set_child(GTK_OVERLAY(overlay_.get()), webView_->Widget());

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

    webView_->Load();
}

FlipbookView::~FlipbookView() {
    if (window_) g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void FlipbookView::SetIcon(const std::string& pngPath) {
    if (!window_) return;
    // Without a readable image the window shows the application's own icon.
    if (!WindowIcon::SetFromFile(window_, pngPath)) WindowIcon::Reset(window_);
}

void FlipbookView::ShowProblem(const std::string& text) {
    gtk_widget_set_visible(webView_->Widget(), FALSE);
    gtk_label_set_text(GTK_LABEL(problemText_), text.c_str());
    gtk_widget_set_visible(problem_, TRUE);
}

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
