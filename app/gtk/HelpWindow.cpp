#include "app/gtk/HelpWindow.h"

#include "base/GObjectPtr.h"
#include "base/Unique.h"
#include "document/DataDirectory.h"
#include "web/gtk/PageStringsScript.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <webkit/webkit.h>

#include <string>

namespace brivane::app {

namespace {

GtkWindow* shown = nullptr;

std::string HelpPageUrl() {
    auto file =
        RefPtr<GFile>::Adopt(g_file_new_build_filename(document::DataDirectory::Path().c_str(), "help.html", nullptr));
    UniqueGChars uri(g_file_get_uri(file.get()));
    return uri.get();
}

// The page may jump within itself; anything else would leave the help.
gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string page = HelpPageUrl();
    const std::string target = uri ? uri : "";
    if (target.compare(0, page.size(), page) == 0 && (target.size() == page.size() || target[page.size()] == '#'))
        webkit_policy_decision_use(decision);
    else
        webkit_policy_decision_ignore(decision);
    return TRUE;
}

}  // namespace

void HelpWindow::Present(GtkWindow* parent) {
    if (shown) {
        gtk_window_present(shown);
        return;
    }
    auto manager = RefPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
    web::PageStringsScript::AddTo(manager.get());
    auto settings = RefPtr<WebKitSettings>::Adopt(webkit_settings_new());
    webkit_settings_set_allow_file_access_from_file_urls(settings.get(), FALSE);
    GtkWidget* view = GTK_WIDGET(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", manager.get(), "settings", settings.get(), nullptr));
    g_signal_connect(view, "decide-policy", G_CALLBACK(DecidePolicy), nullptr);

    GtkWidget* window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(window), _("Reader Help"));
    gtk_window_set_default_size(GTK_WINDOW(window), 680, 600);
    if (parent) gtk_window_set_transient_for(GTK_WINDOW(window), parent);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(window), FALSE);
    gtk_window_set_child(GTK_WINDOW(window), view);
    shown = GTK_WINDOW(window);
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&shown));
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), HelpPageUrl().c_str());
    gtk_window_present(GTK_WINDOW(window));
}

}  // namespace brivane::app
