#pragma once

#include "web/UnpackingBook.h"

#include <webkit/webkit.h>

#include <memory>
#include <string>

namespace brivane::web {

// Answers the book scheme for the web views that were given a workspace;
// each view reads from its own workspace only.
class BookSchemeHandler {
public:
    // Once, before the first web view loads anything.
    static void Register(WebKitWebContext* context);
    static void Allow(WebKitWebView* view, const std::string& workspacePath);
    // Until the book's unpacking ends, the view's page reads the files not
    // yet written from the archive, or waits for them; null: disk only.
    static void ServeUnpacking(WebKitWebView* view, std::shared_ptr<const UnpackingBook> book);
    // The unpacking moved on: answer what waited, if it can be answered now.
    static void Retry();
    static void Forget(WebKitWebView* view);
};

}  // namespace brivane::web
