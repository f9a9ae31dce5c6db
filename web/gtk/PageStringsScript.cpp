#include "web/gtk/PageStringsScript.h"

#include "web/PageStrings.h"

#include <memory>
#include <string>

namespace brivane::web {

void PageStringsScript::AddTo(WebKitUserContentManager* manager) {
    // The same for every page while the program runs.
    static const std::string source = PageStrings::Script();
    if (source.empty()) return;
    std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)> script(
        webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr),
        webkit_user_script_unref);
    webkit_user_content_manager_add_script(manager, script.get());
}

}  // namespace brivane::web
