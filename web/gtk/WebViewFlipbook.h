#pragma once

#include "web/Desktop.h"
#include "web/FlipbookWindow.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace brivane::web {

// The reader page view: the workspace's flipbook.html with file access and
// the bridge for the PDF actions.
class WebViewFlipbook {
public:
    // window: outlives the view. recordUrl: what the recent books keep, when
    // not fileUrl (see RecordAs).
    WebViewFlipbook(std::string fileUrl, std::shared_ptr<Desktop> desktop, FlipbookWindow& window,
                    std::string recordUrl = {});
    ~WebViewFlipbook();
    WebViewFlipbook(const WebViewFlipbook&) = delete;
    WebViewFlipbook& operator=(const WebViewFlipbook&) = delete;

    GtkWidget* Widget() const;
    // Installs the reader core and loads the reader page.
    void Load();
    // Starting the web process holds the main thread for a while: a window
    // with something to show first holds the view's loads until it has.
    void HoldLoads();
    // Loads what waited, or starts the web process ahead of the reader page.
    void ReleaseLoads();
    // Tries again after a problem was shown.
    void Reload();
    // The window went full screen or came back.
    void FullscreenChanged(bool fullscreen);
    // What the host's menus and voice ask of the page.
    void RunCommand(const std::string& command);
    void GoToPage(int page);
    void Find(const std::string& query, int direction);
    void MarkSpeaking(int page, std::size_t from, std::size_t to);

    class Coordinator;

private:
    std::unique_ptr<Coordinator> coordinator_;
};

}  // namespace brivane::web
