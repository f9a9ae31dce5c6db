#include "GtkDesktop.h"

#include "Diagnostics.h"
#include "PdfPrinter.h"
#include "Unique.h"

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
    GError* raw = nullptr;
    if (!g_app_info_launch_default_for_uri_finish(result, &raw)) {
        UniqueGError error(raw);
        Diagnostics::Line(error->message);
    }
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

void AlertResponded(GtkDialog* dialog, int response, gpointer data) {
    std::unique_ptr<AlertState> state(static_cast<AlertState*>(data));
    // Escape and the window's close button answer like the last button.
    if (response < FIRST_BUTTON_RESPONSE) response = state->lastResponse;
    gtk_window_destroy(GTK_WINDOW(dialog));
    state->completion(response);
}

struct ChooserState {
    std::function<void(std::optional<std::string>)> done;
};

void ChooserResponded(GtkNativeDialog* dialog, int response, gpointer data) {
    std::unique_ptr<ChooserState> state(static_cast<ChooserState*>(data));
    UniqueGObject<GtkNativeDialog> owned(dialog);
    std::optional<std::string> fileUrl;
    if (response == GTK_RESPONSE_ACCEPT) {
        UniqueGObject<GFile> file(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog)));
        // Success without a file: say so and go on as cancelled.
        UniqueGChars uri(file ? g_file_get_uri(file.get()) : nullptr);
        if (uri) {
            fileUrl = uri.get();
        } else {
            Diagnostics::Line("none");
        }
    }
    state->done(std::move(fileUrl));
}

}  // namespace

GtkDesktop::GtkDesktop(GtkWindow* window) : window_(window) {
    if (window_) g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

GtkDesktop::~GtkDesktop() {
    if (window_) g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void GtkDesktop::OpenURI(const std::string& uri) {
    UniqueGObject<GdkAppLaunchContext> context(gdk_display_get_app_launch_context(gdk_display_get_default()));
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
        new AlertState{std::move(completion), FIRST_BUTTON_RESPONSE + static_cast<int>(alert.buttons.size()) - 1};
    g_signal_connect(dialog, "response", G_CALLBACK(AlertResponded), state);
    gtk_window_present(GTK_WINDOW(dialog));
}

void GtkDesktop::ChooseFlipbookFile(std::function<void(std::optional<std::string>)> done) {
    GtkFileChooserNative* chooser =
        gtk_file_chooser_native_new("Open Flipbook", window_, GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", "_Cancel");
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), FALSE);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    UniqueGObject<GtkFileFilter> filter(gtk_file_filter_new());
    gtk_file_filter_set_name(filter.get(), "Flipbooks");
    gtk_file_filter_add_suffix(filter.get(), "flip");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter.get());
    gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(chooser), filter.get());
    g_signal_connect(chooser, "response", G_CALLBACK(ChooserResponded), new ChooserState{std::move(done)});
    gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
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

void GtkDesktop::PrintPdf(const std::string& fileUri) { print::PdfPrinter::Print(window_, fileUri); }

}  // namespace brivane::app
