#include "web/gtk/BookSchemeHandler.h"

#include "base/GObjectPtr.h"
#include "document/archive/FileSliceStream.h"
#include "web/BookScheme.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace brivane::web {

namespace {

struct Served {
    std::string workspace;
    std::shared_ptr<const UnpackingBook> unpacking;
};

std::map<WebKitWebView*, Served>& Views() {
    static std::map<WebKitWebView*, Served> views;
    return views;
}

// Requests for files still being unpacked, answered when the unpacker moves on.
std::vector<RefPtr<WebKitURISchemeRequest>>& Waiting() {
    static std::vector<RefPtr<WebKitURISchemeRequest>> waiting;
    return waiting;
}

void Fail(WebKitURISchemeRequest* request, int status) {
    auto empty = RefPtr<GInputStream>::Adopt(g_memory_input_stream_new());
    auto response = RefPtr<WebKitURISchemeResponse>::Adopt(webkit_uri_scheme_response_new(empty.get(), 0));
    webkit_uri_scheme_response_set_status(response.get(), static_cast<guint>(status), nullptr);
    webkit_uri_scheme_request_finish_with_response(request, response.get());
}

void Answer(WebKitURISchemeRequest* request, gpointer) {
    std::optional<std::string> workspace;
    std::shared_ptr<const UnpackingBook> unpacking;
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    if (auto found = Views().find(view); found != Views().end()) {
        workspace = found->second.workspace;
        unpacking = found->second.unpacking;
    }
    std::optional<std::string> range;
    SoupMessageHeaders* requestHeaders = webkit_uri_scheme_request_get_http_headers(request);
    if (const char* value = requestHeaders ? soup_message_headers_get_one(requestHeaders, "Range") : nullptr)
        range = value;
    const char* method = webkit_uri_scheme_request_get_http_method(request);
    const auto reply = BookScheme::Answer(webkit_uri_scheme_request_get_uri(request), method ? method : "GET", range,
                                          workspace, unpacking.get());
    if (reply.wait) {
        Waiting().push_back(RefPtr<WebKitURISchemeRequest>::Ref(request));
        return;
    }

    RefPtr<GInputStream> body;
    if (!reply.file.empty()) {
        std::optional<document::FileSliceStream::Check> check;
        if (reply.crc) {
            check =
                document::FileSliceStream::Check{*reply.crc, [book = std::weak_ptr(unpacking), entry = reply.entry] {
                                                     if (auto held = book.lock()) held->ServedMismatch(entry);
                                                 }};
        }
        body = document::FileSliceStream::Open(reply.file.string(), reply.offset, reply.length, std::move(check));
        if (!body) return Fail(request, 404);
    } else {
        body = RefPtr<GInputStream>::Adopt(g_memory_input_stream_new());
    }
    auto response = RefPtr<WebKitURISchemeResponse>::Adopt(
        webkit_uri_scheme_response_new(body.get(), static_cast<gint64>(reply.file.empty() ? 0 : reply.length)));
    webkit_uri_scheme_response_set_status(response.get(), static_cast<guint>(reply.status), nullptr);
    if (!reply.contentType.empty())
        webkit_uri_scheme_response_set_content_type(response.get(), reply.contentType.c_str());
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& [name, value] : reply.headers) soup_message_headers_append(headers, name.c_str(), value.c_str());
    webkit_uri_scheme_response_set_http_headers(response.get(),
                                                headers);  // takes the headers
    webkit_uri_scheme_request_finish_with_response(request, response.get());
}

}  // namespace

void BookSchemeHandler::Register(WebKitWebContext* context) {
    webkit_web_context_register_uri_scheme(context, BookScheme::SCHEME, Answer, nullptr, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, BookScheme::SCHEME);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, BookScheme::SCHEME);
}

void BookSchemeHandler::Allow(WebKitWebView* view, const std::string& workspacePath) {
    Views()[view] = {workspacePath, nullptr};
}

void BookSchemeHandler::ServeUnpacking(WebKitWebView* view, std::shared_ptr<const UnpackingBook> book) {
    if (auto found = Views().find(view); found != Views().end()) found->second.unpacking = std::move(book);
    Retry();
}

void BookSchemeHandler::Retry() {
    for (auto& request : std::exchange(Waiting(), {})) {
        // A view that went meanwhile has nobody left to answer.
        if (!Views().contains(webkit_uri_scheme_request_get_web_view(request.get()))) {
            Fail(request.get(), 404);
            continue;
        }
        Answer(request.get(), nullptr);
    }
}

void BookSchemeHandler::Forget(WebKitWebView* view) {
    Views().erase(view);
    Retry();
}

}  // namespace brivane::web
