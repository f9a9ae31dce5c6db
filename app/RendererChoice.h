#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivane::app {

// How WebKit and GTK draw in this session. Without a GPU, WebKit's DMA-BUF
// renderer and GTK's GL renderer both run on software GL, and the first page
// shows seconds later than with shared memory and cairo; with a GPU, the
// defaults are the better ones.
class RendererChoice {
public:
    static constexpr const char* WEBKIT_VARIABLE = "WEBKIT_DISABLE_DMABUF_RENDERER";
    static constexpr const char* GTK_VARIABLE = "GSK_RENDERER";

    struct Session {
        std::optional<std::string> webkitSetting;  // WEBKIT_VARIABLE as the user set it
        std::optional<std::string> gtkSetting;     // GTK_VARIABLE as the user set it
        bool renderNode = false;                   // a DRM render node this user may open
        bool softwareGl = false;                   // software GL asked for in the environment
    };
    struct Decision {
        std::vector<std::pair<std::string, std::string>> variables;  // to set for this process
        std::string line;                                            // the one diagnostic line
    };

    static Decision Decide(const Session& session);
    static Session Probe();
    // Probes, decides and applies; before the first window and web view, once.
    static void Apply();
};

}  // namespace brivane::app
