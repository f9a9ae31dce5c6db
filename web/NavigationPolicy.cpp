#include "web/NavigationPolicy.h"

#include "base/Unique.h"
#include "web/NewWindowPolicy.h"

#include <glib.h>

namespace brivane::web {

namespace {
// WebKit and GLib escape file URLs differently; the file each names is what counts.
std::string Document(const std::string& uri) {
    std::string document = uri.substr(0, uri.find_first_of("?#"));
    if (UniqueGChars path{g_filename_from_uri(document.c_str(), nullptr, nullptr)}) return path.get();
    return document;
}
}  // namespace

bool NavigationPolicy::IsReaderPage(const std::string& uri, const std::string& pageUrl) {
    return !pageUrl.empty() && !uri.empty() && Document(uri) == Document(pageUrl);
}

NavigationPolicy::Decision NavigationPolicy::DecideMainFrame(const std::string& uri, const std::string& pageUrl) {
    if (IsReaderPage(uri, pageUrl)) return Decision::Follow;
    if (NewWindowPolicy::IsWebOrMail(uri)) return Decision::OpenInBrowser;
    return Decision::Refuse;
}

}  // namespace brivane::web
