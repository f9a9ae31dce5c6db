#include "web/gtk/BridgedWebView.h"

#include "web/gtk/PageStringsScript.h"

#include <webkit/webkit.h>

namespace brivane::web {

RefPtr<GtkWidget> BridgedWebView::Create(const Options& options) {
    auto manager = RefPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
    webkit_user_content_manager_register_script_message_handler(manager.get(), "bridge", nullptr);
    PageStringsScript::AddTo(manager.get());
    auto settings = RefPtr<WebKitSettings>::Adopt(webkit_settings_new());
    webkit_settings_set_enable_javascript(settings.get(), TRUE);
    // A file page may otherwise read any file the user can: 'self' matches
    // every file URL, and the sandbox does not bound what the network process
    // reads. The reader page gets its book and assets through the book scheme.
    webkit_settings_set_allow_file_access_from_file_urls(settings.get(), FALSE);
    if (options.readerPage) webkit_settings_set_enable_developer_extras(settings.get(), TRUE);
    return RefPtr<GtkWidget>::Sink(GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", manager.get(),
                                                           "settings", settings.get(), nullptr)));
}

SignalConnection BridgedWebView::OnMessage(GtkWidget* view, GCallback handler, gpointer data) {
    return SignalConnection(webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(view)),
                            "script-message-received::bridge", handler, data);
}

}  // namespace brivane::web
