#include "web/gtk/WebView.h"

#include "base/Diagnostics.h"
#include "base/GObjectPtr.h"
#include "document/DataDirectory.h"
#include "web/CoverMaker.h"
#include "web/gtk/BridgedWebView.h"
#include "web/gtk/ScriptMessage.h"

#include <webkit/webkit.h>

namespace brivane::web {

class WebView::Coordinator {
public:
    Coordinator(std::shared_ptr<Desktop> desktop, StartPageHost::UpdateShow updateShow,
                StartPageHost::OpenElsewhere openElsewhere)
        : host(StartPageHost::Create(std::move(desktop), std::move(updateShow), {}, std::move(openElsewhere))) {
        host->UsePositions(document::ReadingPositions::ForUser());
        auto covers = std::make_shared<const CoverCache>(CoverCache::DefaultDirectory());
        host->UseCovers(covers, [maker = CoverMaker(CoverMaker::Beside()), scratch = covers->Directory()](
                                    const std::string& fileUrl) { return maker.Make(fileUrl, scratch); });
        view = BridgedWebView::Create({});
        connections_[0] = BridgedWebView::OnMessage(view.get(), G_CALLBACK(MessageReceived), this);
        connections_[1] = SignalConnection(view.get(), "load-changed", G_CALLBACK(LoadChanged), this);
    }

    ~Coordinator() { host->Detach(); }

    WebKitWebView* WebView() const { return WEBKIT_WEB_VIEW(view.get()); }

    static void MessageReceived(WebKitUserContentManager*, JSCValue* value, gpointer data) {
        static_cast<Coordinator*>(data)->host->MessageReceived(ScriptMessage::Text(value));
    }

    static void LoadChanged(WebKitWebView* webView, WebKitLoadEvent event, gpointer data) {
        if (event != WEBKIT_LOAD_FINISHED) return;
        static_cast<Coordinator*>(data)->host->PageFinished([webView](const std::string& script) {
            webkit_web_view_evaluate_javascript(webView, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                                nullptr);
        });
    }

    std::shared_ptr<StartPageHost> host;
    RefPtr<GtkWidget> view;

private:
    SignalConnection connections_[2];
};

WebView::WebView(std::shared_ptr<Desktop> desktop, StartPageHost::UpdateShow updateShow,
                 StartPageHost::OpenElsewhere openElsewhere)
    : coordinator_(std::make_unique<Coordinator>(std::move(desktop), std::move(updateShow), std::move(openElsewhere))) {
    gtk_widget_set_size_request(Widget(), 450, 300);
}

WebView::~WebView() = default;

GtkWidget* WebView::Widget() const { return coordinator_->view.get(); }

void WebView::Load() {
    const std::string page = document::DataDirectory::StartPageUrl();
    webkit_web_view_load_uri(coordinator_->WebView(), page.c_str());
}

void WebView::Retire(std::unique_ptr<WebView> view) {
    if (!view) return;
    StartPageHost& host = *view->coordinator_->host;
    host.AfterEchoes([retired = std::shared_ptr<WebView>(std::move(view))] {});
}

void WebView::OpenFlipbookFile() {
    coordinator_->host->OpenFlipbookFile([](StartPageHost::Outcome) {});
}

bool WebView::FlowRunning() const { return coordinator_->host->FlowRunning(); }

}  // namespace brivane::web
