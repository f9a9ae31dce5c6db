#include "app/gtk/ReaderApplication.h"

#include "app/DroppedFiles.h"
#include "app/gtk/ApplicationMenu.h"
#include "app/gtk/GtkDesktop.h"
#include "app/gtk/ReaderMenus.h"
#include "app/gtk/WindowLooks.h"
#include "base/FileUrl.h"
#include "base/GObjectPtr.h"
#include "document/DataDirectory.h"
#include "document/WorkspaceRoot.h"
#include "web/ServiceAddresses.h"
#include "web/gtk/BookSchemeHandler.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <webkit/webkit.h>

#include <vector>

namespace brivane::app {

namespace {

constexpr const char* APP_NAME = "Brivane Reader";

template <typename F>
void AddAction(GtkApplication* app, const char* name, F callback, gpointer self) {
    auto action = RefPtr<GSimpleAction>::Adopt(g_simple_action_new(name, nullptr));
    g_signal_connect(action.get(), "activate", G_CALLBACK(+callback), self);
    g_action_map_add_action(G_ACTION_MAP(app), G_ACTION(action.get()));
}

GMenu* FileMenu() {
    GMenu* menu = g_menu_new();
    auto windows = RefPtr<GMenu>::Adopt(g_menu_new());
    g_menu_append(windows.get(), _("New Window"), "app.new-window");
    g_menu_append(windows.get(), _("Open…"), "app.open");
    g_menu_append(windows.get(), _("Open PDF as Book…"), "app.open-pdf");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(windows.get()));
    auto close = RefPtr<GMenu>::Adopt(g_menu_new());
    g_menu_append(close.get(), _("Close Window"), "app.close-window");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(close.get()));
    auto quit = RefPtr<GMenu>::Adopt(g_menu_new());
    g_menu_append(quit.get(), _("Quit"), "app.quit");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(quit.get()));
    return menu;
}

}  // namespace

ReaderApplication::ReaderApplication()
    : app_(RefPtr<GtkApplication>::Adopt(gtk_application_new(APPLICATION_ID, G_APPLICATION_HANDLES_OPEN))) {
    g_set_application_name(APP_NAME);
    g_signal_connect(app_.get(), "startup", G_CALLBACK(OnStartup), this);
    g_signal_connect(app_.get(), "activate", G_CALLBACK(OnActivate), this);
    g_signal_connect(app_.get(), "open", G_CALLBACK(OnOpen), this);
}

ReaderApplication::~ReaderApplication() = default;

int ReaderApplication::Run(int argc, char** argv) { return g_application_run(G_APPLICATION(app_.get()), argc, argv); }

void ReaderApplication::OpenDownloadPage() { GtkDesktop(nullptr).OpenURI(web::DownloadPageUrl()); }

void ReaderApplication::OnStartup(GApplication*, gpointer self) { static_cast<ReaderApplication*>(self)->Startup(); }

void ReaderApplication::OnActivate(GApplication*, gpointer self) {
    gtk_window_present(static_cast<ReaderApplication*>(self)->NewWindow().Window());
}

void ReaderApplication::OnOpen(GApplication*, GFile** files, int count, const char*, gpointer self) {
    static_cast<ReaderApplication*>(self)->Open(files, count);
}

void ReaderApplication::Startup() {
    // The web processes run sandboxed: they see the workspaces and the shipped
    // pages only when told before the first one starts.
    WebKitWebContext* context = webkit_web_context_get_default();
    if (auto root = document::WorkspaceRoot::Ensure())
        webkit_web_context_add_path_to_sandbox(context, root->c_str(), TRUE);
    webkit_web_context_add_path_to_sandbox(context, document::DataDirectory::Path().c_str(), TRUE);
    web::BookSchemeHandler::Register(context);

    gtk_icon_theme_add_search_path(gtk_icon_theme_get_for_display(gdk_display_get_default()),
                                   document::DataDirectory::IconsPath().c_str());
    gtk_window_set_default_icon_name(APPLICATION_ID);
    InstallMenus();
}

void ReaderApplication::InstallMenus() {
    GtkApplication* app = app_.get();
    AddAction(
        app, "new-window",
        [](GSimpleAction*, GVariant*, gpointer self) {
            gtk_window_present(static_cast<ReaderApplication*>(self)->NewWindow().Window());
        },
        this);
    AddAction(
        app, "open",
        [](GSimpleAction*, GVariant*, gpointer data) {
            auto* self = static_cast<ReaderApplication*>(data);
            ContentView* content = self->ActiveContent();
            // A window that reads a flipbook keeps it, and one whose own flow is
            // still choosing or checking keeps that: choose into a new one.
            if (!content || !content->AcceptsFile()) content = &self->NewWindow();
            gtk_window_present(content->Window());
            content->OpenFlipbookFile();
        },
        this);
    AddAction(
        app, "close-window",
        [](GSimpleAction*, GVariant*, gpointer self) {
            if (ContentView* content = static_cast<ReaderApplication*>(self)->ActiveContent())
                gtk_window_close(content->Window());
        },
        this);
    AddAction(
        app, "about",
        [](GSimpleAction*, GVariant*, gpointer self) {
            ContentView* content = static_cast<ReaderApplication*>(self)->ActiveContent();
            gtk_show_about_dialog(content ? content->Window() : nullptr, "program-name", APP_NAME, "logo-icon-name",
                                  APPLICATION_ID, "version", APP_VERSION, "comments", _("Reads flipbook files."),
                                  "website", SERVICE_BASE_URL, nullptr);
        },
        this);
    AddAction(
        app, "quit", [](GSimpleAction*, GVariant*, gpointer self) { static_cast<ReaderApplication*>(self)->Quit(); },
        this);
    AddAction(
        app, "help", [](GSimpleAction*, GVariant*, gpointer) { OpenDownloadPage(); }, this);
    AddOpenPdfAction();

    const std::pair<const char*, const char*> accels[] = {{"app.new-window", "<Control>n"},
                                                          {"app.open", "<Control>o"},
                                                          {"app.close-window", "<Control>w"},
                                                          {"app.quit", "<Control>q"},
                                                          {"win.fullscreen", "F11"}};
    for (const auto& [action, accel] : accels) {
        const char* list[] = {accel, nullptr};
        gtk_application_set_accels_for_action(app, action, list);
    }

    auto menubar = RefPtr<GMenu>::Adopt(g_menu_new());
    ApplicationMenu::Install(app, menubar.get(),
                             [this] { return ActiveContent() ? ActiveContent()->Window() : nullptr; });
    auto file = RefPtr<GMenu>::Adopt(FileMenu());
    g_menu_append_submenu(menubar.get(), _("File"), G_MENU_MODEL(file.get()));
    ReaderMenus::Install(app, menubar.get());
    // Help holds the service's page, and only that.
    auto help = RefPtr<GMenu>::Adopt(g_menu_new());
    g_menu_append(help.get(), _("Brivane Help"), "app.help");
    g_menu_append_submenu(menubar.get(), _("Help"), G_MENU_MODEL(help.get()));
    gtk_application_set_menubar(app, G_MENU_MODEL(menubar.get()));
}

void ReaderApplication::AddOpenPdfAction() {
    AddAction(
        app_.get(), "open-pdf",
        [](GSimpleAction*, GVariant*, gpointer data) {
            auto* self = static_cast<ReaderApplication*>(data);
            ContentView* content = self->ActiveContent();
            // As Open…: a window that reads a book keeps it.
            if (!content || !content->AcceptsFile()) content = &self->NewWindow();
            gtk_window_present(content->Window());
            content->ChoosePdf();
        },
        this);
}

void ReaderApplication::OpenIn(ContentView& target, const std::string& uri) {
    const auto path = PathFromFileUrl(uri);
    // By name, then by content: the system hands over PDFs under any name.
    if (path && DroppedFiles::KindOf(*path) == DroppedFiles::Kind::Pdf) {
        target.OpenPdf(uri);  // shows the window itself, once there is something to see
        return;
    }
    target.ShowOpenedURL(uri);
    gtk_window_present(target.Window());
}

ContentView& ReaderApplication::NewWindow() {
    GtkWidget* window = gtk_application_window_new(app_.get());
    gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window), TRUE);
    gtk_window_set_title(GTK_WINDOW(window), APP_NAME);
    g_signal_connect(window, "destroy", G_CALLBACK(OnWindowDestroy), this);
    ContentView::Elsewhere elsewhere;
    elsewhere.chooseFile = [this] {
        ContentView& other = NewWindow();
        gtk_window_present(other.Window());
        other.OpenFlipbookFile();
    };
    elsewhere.showFile = [this](const std::string& url) {
        ContentView& other = NewWindow();
        other.ShowOpenedURL(url);
        gtk_window_present(other.Window());
    };
    elsewhere.openFiles = [this](const std::vector<std::string>& urls) {
        for (const std::string& url : urls) OpenIn(NewWindow(), url);
    };
    auto& content = windows_[GTK_WINDOW(window)];
    content = std::make_unique<ContentView>(GTK_WINDOW(window), std::move(elsewhere));
    return *content;
}

ContentView* ReaderApplication::ActiveContent() {
    auto found = windows_.find(gtk_application_get_active_window(app_.get()));
    return found == windows_.end() ? nullptr : found->second.get();
}

void ReaderApplication::OnWindowDestroy(GtkWidget* window, gpointer data) {
    auto* self = static_cast<ReaderApplication*>(data);
    WindowLooks::ResetAppIcon(GTK_WINDOW(window));
    self->windows_.erase(GTK_WINDOW(window));
}

void ReaderApplication::Open(GFile** files, int count) {
    for (int i = 0; i < count; ++i) {
        UniqueGChars uri(g_file_get_uri(files[i]));
        // A window still on its start page with no flow of its own takes the
        // file; otherwise a new one.
        ContentView* target = nullptr;
        for (auto& [window, content] : windows_) {
            if (content->AcceptsFile()) {
                target = content.get();
                break;
            }
        }
        if (!target) target = &NewWindow();
        OpenIn(*target, uri.get());
    }
}

void ReaderApplication::Quit() {
    // Closing every window lets the application end once work in flight is back.
    std::vector<GtkWindow*> windows;
    for (auto& [window, content] : windows_) windows.push_back(window);
    for (GtkWindow* window : windows) gtk_window_destroy(window);
}

}  // namespace brivane::app
