#pragma once

#include <webkit/webkit.h>

#include <string>

namespace brivane::web {

// Answers the book scheme for the web views that were given a workspace;
// each view reads from its own workspace only.
class BookSchemeHandler {
public:
    // Once, before the first web view loads anything.
    static void Register(WebKitWebContext* context);
    static void Allow(WebKitWebView* view, const std::string& workspacePath);
    static void Forget(WebKitWebView* view);
};

}  // namespace brivane::web
