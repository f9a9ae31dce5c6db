#include "app/gtk/GtkDesktop.h"

#include "base/Diagnostics.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"
#include "print/PdfPrinter.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <memory>
#include <thread>
#include <utility>

namespace brivane::app {

using web::Alert;
using web::FIRST_BUTTON_RESPONSE;

namespace {

using Work = std::function<void()>;

gboolean RunOnce(gpointer data) {
    (*static_cast<Work*>(data))();
    return G_SOURCE_REMOVE;
}
void DeleteWork(gpointer data) { delete static_cast<Work*>(data); }

void LaunchFinished(GObject*, GAsyncResult* result, gpointer data) {
    UniqueGChars uri(static_cast<char*>(data));
    GErrorSlot error;
    if (!g_app_info_launch_default_for_uri_finish(result, error.Out())) Diagnostics::Line(error.Message());
}

GtkWindow* AlertParent(GtkWindow* fallback) {
    if (auto* app = GTK_APPLICATION(g_application_get_default())) {
        if (GtkWindow* active = gtk_application_get_active_window(app)) return active;
    }
    return fallback;
}

struct AlertState {
    std::function<void(int)> completion;
    int lastResponse;
};

// The state lives on the dialog, so a dialog destroyed with its parent
// (no response) still frees it.
void AlertResponded(GtkDialog* dialog, int response, gpointer data) {
    auto* state = static_cast<AlertState*>(data);
    // Escape and the window's close button answer like the last button.
    if (response < FIRST_BUTTON_RESPONSE) response = state->lastResponse;
    auto completion = std::move(state->completion);
    gtk_window_destroy(GTK_WINDOW(dialog));
    if (completion) completion(response);
}

std::optional<std::string> ChosenFile(GtkNativeDialog* dialog, int response) {
    if (response != GTK_RESPONSE_ACCEPT) return std::nullopt;
    auto file = RefPtr<GFile>::Adopt(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog)));
    // Success without a file: say so and go on as cancelled.
    UniqueGChars uri(file ? g_file_get_uri(file.get()) : nullptr);
    if (!uri) {
        Diagnostics::Line("none");
        return std::nullopt;
    }
    return std::string(uri.get());
}

}  // namespace

GtkDesktop::GtkDesktop(GtkWindow* window) : window_(window) {
    if (window_) g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

GtkDesktop::~GtkDesktop() {
    chooserResponse_.Disconnect();
    if (chooser_) gtk_native_dialog_destroy(chooser_.get());
    if (window_) g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void GtkDesktop::OpenURI(const std::string& uri) {
    auto context = RefPtr<GdkAppLaunchContext>::Adopt(gdk_display_get_app_launch_context(gdk_display_get_default()));
    g_app_info_launch_default_for_uri_async(uri.c_str(), G_APP_LAUNCH_CONTEXT(context.get()), nullptr, LaunchFinished,
                                            g_strdup(uri.c_str()));
}

void GtkDesktop::ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> work) {
    g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(delay.count()), RunOnce, new Work(std::move(work)),
                       DeleteWork);
}

void GtkDesktop::ShowAlert(const Alert& alert, std::function<void(int)> completion) {
    GtkWidget* dialog = gtk_message_dialog_new(
        AlertParent(window_), static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_MESSAGE_ERROR, GTK_BUTTONS_NONE, "%s", alert.text.c_str());
    for (std::size_t i = 0; i < alert.buttons.size(); ++i)
        gtk_dialog_add_button(GTK_DIALOG(dialog), alert.buttons[i].c_str(),
                              FIRST_BUTTON_RESPONSE + static_cast<int>(i));
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), FIRST_BUTTON_RESPONSE);
    auto* state =
        AttachState(dialog, "brivane-alert",
                    std::make_unique<AlertState>(AlertState{
                        std::move(completion), FIRST_BUTTON_RESPONSE + static_cast<int>(alert.buttons.size()) - 1}));
    g_signal_connect(dialog, "response", G_CALLBACK(AlertResponded), state);
    gtk_window_present(GTK_WINDOW(dialog));
}

void GtkDesktop::ChooseFlipbookFile(std::function<void(std::optional<std::string>)> done) {
    Choose(_("Open Flipbook"), _("Flipbooks"), "flip", std::move(done));
}

void GtkDesktop::ChoosePdfFile(std::function<void(std::optional<std::string>)> done) {
    Choose(_("Open PDF as Book"), _("PDF documents"), "pdf", std::move(done));
}

void GtkDesktop::Choose(const char* title, const char* filterName, const char* suffix,
                        std::function<void(std::optional<std::string>)> done) {
    // One chooser per window: a new request answers the old one as cancelled.
    if (chooser_) ChooserAnswered(GTK_RESPONSE_CANCEL);
    chooser_ = RefPtr<GtkNativeDialog>::Adopt(GTK_NATIVE_DIALOG(
        gtk_file_chooser_native_new(title, window_, GTK_FILE_CHOOSER_ACTION_OPEN, _("_Open"), _("_Cancel"))));
    GtkNativeDialog* chooser = chooser_.get();
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), FALSE);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    auto filter = RefPtr<GtkFileFilter>::Adopt(gtk_file_filter_new());
    gtk_file_filter_set_name(filter.get(), filterName);
    gtk_file_filter_add_suffix(filter.get(), suffix);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter.get());
    gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(chooser), filter.get());
    chooserDone_ = std::move(done);
    // Disconnected when this desktop goes, so a late answer never reaches it.
    chooserResponse_ =
        SignalConnection(chooser, "response", G_CALLBACK(+[](GtkNativeDialog*, int response, gpointer self) {
                             static_cast<GtkDesktop*>(self)->ChooserAnswered(response);
                         }),
                         this);
    gtk_native_dialog_show(chooser);
}

void GtkDesktop::ChooserAnswered(int response) {
    // Keeps the chooser while its answer is read; it goes when this returns.
    const RefPtr<GtkNativeDialog> chooser = std::move(chooser_);
    chooserResponse_.Disconnect();
    auto done = std::move(chooserDone_);
    std::optional<std::string> fileUrl = ChosenFile(chooser.get(), response);
    gtk_native_dialog_destroy(chooser.get());
    if (done) done(std::move(fileUrl));
}

void GtkDesktop::RunOnMain(std::function<void()> work) {
    g_idle_add_full(G_PRIORITY_DEFAULT, RunOnce, new Work(std::move(work)), DeleteWork);
}

void GtkDesktop::RunInBackground(std::function<void()> work, std::function<void()> done) {
    // Keeps the application running until the work is back, so that quitting
    // never tears down what a worker still uses.
    GApplication* app = g_application_get_default();
    if (app) g_application_hold(app);
    std::thread([work = std::move(work), done = std::move(done), app]() mutable {
        work();
        auto* finish = new Work([done = std::move(done), app] {
            done();
            if (app) g_application_release(app);
        });
        g_idle_add_full(G_PRIORITY_DEFAULT, RunOnce, finish, DeleteWork);
    }).detach();
}

void GtkDesktop::PrintPdf(const std::string& fileUri, const std::vector<int>& shownPages) {
    print::PdfPrinter::Print(window_, fileUri, shownPages);
}

}  // namespace brivane::app
