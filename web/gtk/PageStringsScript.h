#pragma once

#include <webkit/webkit.h>

namespace brivane::web {

// Hands the pages' catalogue to every page a content manager serves, ahead of
// the page's own scripts (which the pages' security policy would not let an
// inline script precede).
class PageStringsScript {
public:
    static void AddTo(WebKitUserContentManager* manager);
};

}  // namespace brivane::web
