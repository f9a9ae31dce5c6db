#include "web/gtk/WebViewFlipbook.h"

#include "base/FileUrl.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"
#include "web/BookScheme.h"
#include "web/FlipbookPageHost.h"
#include "web/gtk/BookSchemeHandler.h"
#include "web/gtk/BridgedWebView.h"
#include "web/gtk/ScriptMessage.h"

#include <webkit/webkit.h>

#include <optional>
#include <utility>

namespace brivane::web {

namespace {
// Schemes the view loads itself; anything else asks the system.
bool LoadedInPlace(const char* uri) {
    UniqueGChars scheme(g_uri_parse_scheme(uri));
    if (!scheme) return true;
    for (const char* own : {"file", "http", "https", "about", "data", "blob"})
        if (g_ascii_strcasecmp(scheme.get(), own) == 0) return true;
    return false;
}
// Tells the reader page that this host serves its book by ranges.
void OfferBookScheme(WebKitUserContentManager* manager) {
    const std::string source = std::string("window.brivaneBookScheme = \"") + BookScheme::SCHEME + "\";";
    std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)> script(
        webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr),
        webkit_user_script_unref);
    webkit_user_content_manager_add_script(manager, script.get());
}
std::string UriOf(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    return uri ? uri : "";
}
}  // namespace

class WebViewFlipbook::Coordinator : public FlipbookSurface {
public:
    Coordinator(std::string fileUrl, std::shared_ptr<Desktop> desktop, FlipbookWindow& window, std::string recordUrl) {
        host = FlipbookPageHost::Create(std::move(fileUrl), std::move(desktop), this, &window);
        if (!recordUrl.empty()) host->RecordAs(std::move(recordUrl));
        host->UsePositions(document::ReadingPositions::ForUser());
        view = BridgedWebView::Create({.readerPage = true});
        OfferBookScheme(webkit_web_view_get_user_content_manager(WebView()));
        gtk_widget_set_hexpand(view.get(), TRUE);
        gtk_widget_set_vexpand(view.get(), TRUE);
        connections_[0] = BridgedWebView::OnMessage(view.get(), G_CALLBACK(MessageReceived), this);
        connections_[1] = SignalConnection(view.get(), "load-changed", G_CALLBACK(LoadChanged), this);
        connections_[2] = SignalConnection(view.get(), "decide-policy", G_CALLBACK(DecidePolicy), this);
        connections_[3] = SignalConnection(view.get(), "create", G_CALLBACK(Create), this);
        // The view's own key handling leaves the clipboard without the text
        // in the application; copying through the editing command does not.
        GtkEventController* keys = gtk_event_controller_key_new();
        gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
        connections_[4] = SignalConnection(keys, "key-pressed", G_CALLBACK(KeyPressed), this);
        gtk_widget_add_controller(view.get(), keys);
        connections_[5] = SignalConnection(view.get(), "load-failed", G_CALLBACK(LoadFailed), this);
        connections_[6] =
            SignalConnection(view.get(), "web-process-terminated", G_CALLBACK(WebProcessTerminated), this);
        // The reader's desk colour until the page paints: the first page
        // drawn natively sits on it, as it will on the page.
        const GdkRGBA desk{0x2e / 255.0, 0x32 / 255.0, 0x37 / 255.0, 1};
        webkit_web_view_set_background_color(WebView(), &desk);
    }

    ~Coordinator() override {
        host->Detach();
        BookSchemeHandler::Forget(WebView());
    }

    WebKitWebView* WebView() const { return WEBKIT_WEB_VIEW(view.get()); }

    // FlipbookSurface
    void LoadPage(const std::string& pageUrl, const std::string& readAccessUrl) override {
        // The page reads its book through the scheme, from this workspace only.
        if (const auto workspace = PathFromFileUrl(readAccessUrl)) BookSchemeHandler::Allow(WebView(), *workspace);
        if (held) {
            waiting = pageUrl;
            return;
        }
        webkit_web_view_load_uri(WebView(), pageUrl.c_str());
    }
    void RunScript(const std::string& script) override {
        webkit_web_view_evaluate_javascript(WebView(), script.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    void ServeUnpacking(std::shared_ptr<const UnpackingBook> book) override {
        BookSchemeHandler::ServeUnpacking(WebView(), std::move(book));
    }
    void UnpackingChanged() override { BookSchemeHandler::Retry(); }

    static void MessageReceived(WebKitUserContentManager*, JSCValue* value, gpointer data) {
        auto* self = static_cast<Coordinator*>(data);
        self->host->MessageReceived(ScriptMessage::Text(value), UriOf(self->WebView()));
    }

    static gboolean KeyPressed(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, gpointer data) {
        const auto mods = state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_ALT_MASK | GDK_SUPER_MASK);
        const bool copy = (mods == GDK_CONTROL_MASK && (keyval == GDK_KEY_c || keyval == GDK_KEY_C)) ||
                          (mods == GDK_CONTROL_MASK && keyval == GDK_KEY_Insert);
        if (!copy) return FALSE;
        webkit_web_view_execute_editing_command(static_cast<Coordinator*>(data)->WebView(),
                                                WEBKIT_EDITING_COMMAND_COPY);
        return TRUE;
    }

    static void LoadChanged(WebKitWebView* webView, WebKitLoadEvent event, gpointer data) {
        if (event == WEBKIT_LOAD_FINISHED) static_cast<Coordinator*>(data)->host->PageFinished(UriOf(webView));
    }

    // WebKit's own error page would otherwise show, and be configured as the reader page.
    static gboolean LoadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError* error, gpointer data) {
        // A navigation refused by policy or replaced by a newer load leaves the page as it was.
        if (g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
            g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
            return FALSE;
        return static_cast<Coordinator*>(data)->host->LoadFailed(uri ? uri : "", error ? error->message : "");
    }

    static void WebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer data) {
        const char* why = reason == WEBKIT_WEB_PROCESS_CRASHED                 ? "crashed"
                          : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "exceeded the memory limit"
                                                                               : "terminated";
        static_cast<Coordinator*>(data)->host->WebProcessTerminated(why);
    }

    static gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer data) {
        auto* self = static_cast<Coordinator*>(data);
        if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
            // Which frame asks is only known at the response; mail and other
            // addresses never get one, so they are decided here.
            auto* action =
                webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
            const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            if (uri && !LoadedInPlace(uri)) {
                self->host->MainFrameNavigation(uri);
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
            return FALSE;
        }
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
            auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
            if (!webkit_response_policy_decision_is_main_frame_main_resource(response)) return FALSE;
            const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
            if (uri && !self->host->MainFrameNavigation(uri)) {
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
        }
        return FALSE;
    }

    // New windows never get a web view; their address goes to the system.
    static GtkWidget* Create(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
        const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (uri && *uri) static_cast<Coordinator*>(data)->host->NewWindowRequested(uri);
        return nullptr;
    }

    std::shared_ptr<FlipbookPageHost> host;
    RefPtr<GtkWidget> view;
    bool held = false;
    std::optional<std::string> waiting;  // the page to load once loads are released

private:
    SignalConnection connections_[7];
};

WebViewFlipbook::WebViewFlipbook(std::string fileUrl, std::shared_ptr<Desktop> desktop, FlipbookWindow& window,
                                 std::string recordUrl)
    : coordinator_(
          std::make_unique<Coordinator>(std::move(fileUrl), std::move(desktop), window, std::move(recordUrl))) {}

WebViewFlipbook::~WebViewFlipbook() = default;

GtkWidget* WebViewFlipbook::Widget() const { return coordinator_->view.get(); }

void WebViewFlipbook::Load() { coordinator_->host->Load(); }

void WebViewFlipbook::HoldLoads() { coordinator_->held = true; }

void WebViewFlipbook::ReleaseLoads() {
    if (!std::exchange(coordinator_->held, false)) return;
    WebKitWebView* view = coordinator_->WebView();
    if (auto page = std::exchange(coordinator_->waiting, std::nullopt))
        webkit_web_view_load_uri(view, page->c_str());
    else if (!webkit_web_view_get_uri(view))
        webkit_web_view_load_uri(view, "about:blank");
}

void WebViewFlipbook::Reload() { coordinator_->host->Reload(); }

void WebViewFlipbook::FullscreenChanged(bool fullscreen) { coordinator_->host->FullscreenChanged(fullscreen); }

void WebViewFlipbook::RunCommand(const std::string& command) { coordinator_->host->RunCommand(command); }

void WebViewFlipbook::GoToPage(int page) { coordinator_->host->GoToPage(page); }

void WebViewFlipbook::Find(const std::string& query, int direction) { coordinator_->host->Find(query, direction); }

void WebViewFlipbook::MarkSpeaking(int page, std::size_t from, std::size_t to) {
    coordinator_->host->MarkSpeaking(page, from, to);
}

}  // namespace brivane::web
