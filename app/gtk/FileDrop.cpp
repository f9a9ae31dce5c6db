#include "app/gtk/FileDrop.h"

#include "app/DroppedFiles.h"
#include "base/Unique.h"

namespace brivane::app {

namespace {

constexpr const char* CSS =
    ".brivane-drop:drop(active) { outline: 3px solid @theme_selected_bg_color; outline-offset: -3px; }"
    ".brivane-drop-hint { padding: 12px 18px; border-radius: 6px; }";

void InstallStyle() {
    static bool installed = false;
    if (std::exchange(installed, true)) return;
    auto provider = RefPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(provider.get(), CSS, -1);
    gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

std::vector<std::string> UrlsOf(const GValue* value) {
    std::vector<std::string> urls;
    if (!value || !G_VALUE_HOLDS(value, GDK_TYPE_FILE_LIST)) return urls;
    auto* list = static_cast<GdkFileList*>(g_value_get_boxed(value));
    GSList* files = list ? gdk_file_list_get_files(list) : nullptr;
    for (GSList* item = files; item; item = item->next) {
        const UniqueGChars uri(g_file_get_uri(G_FILE(item->data)));
        if (uri) urls.emplace_back(uri.get());
    }
    g_slist_free(files);
    return urls;
}

}  // namespace

FileDrop::FileDrop(GtkOverlay* overlay, std::function<void(const std::vector<std::string>&)> accepted,
                   std::function<void()> refused)
    : overlay_(GTK_WIDGET(overlay)), accepted_(std::move(accepted)), refused_(std::move(refused)) {
    InstallStyle();
    g_object_add_weak_pointer(G_OBJECT(overlay_), reinterpret_cast<gpointer*>(&overlay_));
    gtk_widget_add_css_class(overlay_, "brivane-drop");

    hint_ = RefPtr<GtkWidget>::Sink(gtk_label_new(_(REFUSED_TEXT)));
    GtkWidget* hint = hint_.get();
    gtk_widget_add_css_class(hint, "osd");
    gtk_widget_add_css_class(hint, "brivane-drop-hint");
    gtk_label_set_wrap(GTK_LABEL(hint), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(hint), 40);
    gtk_label_set_justify(GTK_LABEL(hint), GTK_JUSTIFY_CENTER);
    gtk_widget_set_halign(hint, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(hint, GTK_ALIGN_CENTER);
    gtk_widget_set_can_target(hint, FALSE);
    gtk_widget_set_visible(hint, FALSE);
    gtk_overlay_add_overlay(overlay, hint);

    target_ = gtk_drop_target_new(GDK_TYPE_FILE_LIST, GDK_ACTION_COPY);
    // The files are read while they hover, so only good ones light the window up.
    gtk_drop_target_set_preload(target_, TRUE);
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(target_), GTK_PHASE_CAPTURE);
    connections_[0] = SignalConnection(target_, "motion", G_CALLBACK(Motion), this);
    connections_[1] = SignalConnection(target_, "leave", G_CALLBACK(Leave), this);
    connections_[2] = SignalConnection(target_, "drop", G_CALLBACK(Drop), this);
    connections_[3] = SignalConnection(target_, "notify::value", G_CALLBACK(ValueKnown), this);
    gtk_widget_add_controller(overlay_, GTK_EVENT_CONTROLLER(target_));
}

FileDrop::~FileDrop() {
    for (auto& connection : connections_) connection.Disconnect();
    if (!overlay_) return;
    g_object_remove_weak_pointer(G_OBJECT(overlay_), reinterpret_cast<gpointer*>(&overlay_));
    gtk_widget_remove_controller(overlay_, GTK_EVENT_CONTROLLER(target_));
}

GdkDragAction FileDrop::Judge(const GValue* value) {
    // Not read yet: the answer comes when it is.
    if (!value) return GDK_ACTION_COPY;
    const bool good = DroppedFiles::Sort(UrlsOf(value)).Acceptable();
    gtk_widget_set_visible(hint_.get(), !good);
    // GTK lit the window up on entering, before the files could be read.
    if (overlay_ && !good) gtk_widget_unset_state_flags(overlay_, GTK_STATE_FLAG_DROP_ACTIVE);
    return good ? GDK_ACTION_COPY : GdkDragAction(0);
}

GdkDragAction FileDrop::Motion(GtkDropTarget* target, double, double, gpointer self) {
    return static_cast<FileDrop*>(self)->Judge(gtk_drop_target_get_value(target));
}

void FileDrop::ValueKnown(GObject* target, GParamSpec*, gpointer self) {
    // Shows the hint at once rather than at the pointer's next move.
    if (const GValue* value = gtk_drop_target_get_value(GTK_DROP_TARGET(target)))
        static_cast<FileDrop*>(self)->Judge(value);
}

void FileDrop::Leave(GtkDropTarget*, gpointer self) {
    gtk_widget_set_visible(static_cast<FileDrop*>(self)->hint_.get(), FALSE);
}

gboolean FileDrop::Drop(GtkDropTarget*, const GValue* value, double, double, gpointer self) {
    auto* drop = static_cast<FileDrop*>(self);
    gtk_widget_set_visible(drop->hint_.get(), FALSE);
    return drop->Receive(UrlsOf(value));
}

bool FileDrop::Receive(const std::vector<std::string>& urls) {
    const DroppedFiles sorted = DroppedFiles::Sort(urls);
    if (!sorted.Acceptable()) {
        if (auto refuse = refused_) refuse();
        return false;
    }
    std::vector<std::string> accepted = sorted.flipbooks;
    accepted.insert(accepted.end(), sorted.pdfs.begin(), sorted.pdfs.end());
    // Opening may replace this very drop target, which GTK still finishes the
    // drop on after this returns: the files open once it has.
    struct Opening {
        std::weak_ptr<bool> alive;
        std::function<void(const std::vector<std::string>&)> take;
        std::vector<std::string> urls;
    };
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) {
            const auto* opening = static_cast<Opening*>(data);
            if (opening->alive.lock() && opening->take) opening->take(opening->urls);
            return G_SOURCE_REMOVE;
        },
        new Opening{alive_, accepted_, std::move(accepted)}, [](gpointer data) { delete static_cast<Opening*>(data); });
    return true;
}

}  // namespace brivane::app
