#pragma once

#include "web/BridgeProtocol.h"

#include <string>
#include <vector>

namespace brivane::web {

// What the reader page asks of the window around it. The window outlives
// the view that reports to it.
class FlipbookWindow {
public:
    virtual ~FlipbookWindow() = default;
    virtual void SetIcon(const std::string& pngPath) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void ShowBusy(bool busy) = 0;
    // How far unpacking has come, while the busy hint shows.
    virtual void ShowProgress(const std::string& text, double fraction) = 0;
    // Something went wrong that leaves the page blank: say so in the window.
    virtual void ShowProblem(const std::string& text) = 0;
    // The configuration reached the page.
    virtual void FlipbookShown(const std::string& fileUrl) = 0;
    // The page has its first pages on screen.
    virtual void PagesDrawn() = 0;
    // The page asks for the book alone on the screen, or back in its window.
    virtual void SetFullscreen(bool fullscreen) = 0;
    // The text of the pages on screen, after every turn.
    virtual void ShowText(const BridgeProtocol::ShownPages& shown) = 0;
    // What the find bar says of its matches.
    virtual void ShowFindStatus(const std::string& status) = 0;
    // The book's contents, once the page has them.
    virtual void ShowContents(const std::vector<BridgeProtocol::ContentsEntry>& entries) = 0;
};

}  // namespace brivane::web
