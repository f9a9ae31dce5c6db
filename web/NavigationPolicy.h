#pragma once

#include <string>

namespace brivane::web {

// The reader view may read files and talk to the host, so it stays on the
// workspace's reader page: it acts and is configured only there, and does
// not follow main-frame navigations elsewhere.
class NavigationPolicy {
public:
    enum class Decision { Follow, OpenInBrowser, Refuse };

    // pageUrl: the workspace's flipbook.html.
    static Decision DecideMainFrame(const std::string& uri, const std::string& pageUrl);
    // The same document, whatever its query or fragment.
    static bool IsReaderPage(const std::string& uri, const std::string& pageUrl);
};

}  // namespace brivane::web
