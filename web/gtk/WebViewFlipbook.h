#pragma once

#include "Desktop.h"
#include "FlipbookPageHost.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

namespace brivane::web {

// The reader page view: the workspace's flipbook.html with file access and
// the bridge for the PDF actions.
class WebViewFlipbook {
public:
    // What the view asks of the window around it.
    struct WindowEffects {
        std::function<void(const std::string& pngPath)> setIcon;
        std::function<void(const std::string& title)> setTitle;
        std::function<void(bool busy)> showBusy;
        std::function<void(const std::string& text, double fraction)> showProgress;
        std::function<void(const std::string& text)> showProblem;
        std::function<void(const std::string& fileUrl)> flipbookShown;
    };

    // recordUrl: what the recent books keep, when not fileUrl (see RecordAs).
    WebViewFlipbook(std::string fileUrl, std::shared_ptr<Desktop> desktop, WindowEffects effects,
                    std::string recordUrl = {});
    ~WebViewFlipbook();
    WebViewFlipbook(const WebViewFlipbook&) = delete;
    WebViewFlipbook& operator=(const WebViewFlipbook&) = delete;

    GtkWidget* Widget() const;
    // Installs the reader core and loads the reader page.
    void Load();
    // Tries again after a problem was shown.
    void Reload();

    class Coordinator;

private:
    std::unique_ptr<Coordinator> coordinator_;
};

}  // namespace brivane::web
