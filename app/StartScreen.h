#pragma once

#include "document/CheckResult.h"
#include "web/Desktop.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brivane::app {

// One window's start screen state: the start page until a file is accepted,
// then the flipbook view for good.
class StartScreen : public std::enable_shared_from_this<StartScreen> {
public:
    using ShowFlipbook = std::function<void(const std::string& fileUrl)>;
    // Shows an accepted file in a window of its own.
    using ShowElsewhere = std::function<void(const std::string& fileUrl)>;

    // English, as the catalogue's keys; the alerts show them translated.
    static constexpr const char* TOO_NEW_TEXT =
        N_("The selected file format is too new. Please, click yes to update the application now.");
    static constexpr const char* INVALID_TEXT =
        N_("The selected flipbook file has an invalid format and cannot be opened.");

    // showFlipbook runs once, when the window switches to the flipbook view;
    // a file accepted after that goes to showElsewhere instead of being lost.
    static std::shared_ptr<StartScreen> Create(std::shared_ptr<web::Desktop> desktop, ShowFlipbook showFlipbook,
                                               ShowElsewhere showElsewhere = {});

    void HandleCheckResult(const std::string& url, document::CheckResult result);
    void OpenUpdatePage(int response);
    void ShowOpenedURL(const std::string& url);
    // The window went away: results still on their way change nothing on screen.
    void Detach() {
        onShowFlipbook_ = nullptr;
        onShowElsewhere_ = nullptr;
    }

    bool showFlipbook() const { return showFlipbook_; }
    const std::optional<std::string>& urlFlipbook() const { return urlFlipbook_; }

private:
    StartScreen(std::shared_ptr<web::Desktop> desktop, ShowFlipbook showFlipbook, ShowElsewhere showElsewhere);
    void SwitchToFlipbook();

    std::shared_ptr<web::Desktop> desktop_;
    ShowFlipbook onShowFlipbook_;
    ShowElsewhere onShowElsewhere_;
    bool showFlipbook_ = false;
    std::optional<std::string> urlFlipbook_;
};

}  // namespace brivane::app
