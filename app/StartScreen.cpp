#include "app/StartScreen.h"

#include "web/ServiceAddresses.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <utility>

namespace brivane::app {

StartScreen::StartScreen(std::shared_ptr<web::Desktop> desktop, ShowFlipbook showFlipbook, ShowElsewhere showElsewhere)
    : desktop_(std::move(desktop)),
      onShowFlipbook_(std::move(showFlipbook)),
      onShowElsewhere_(std::move(showElsewhere)) {}

std::shared_ptr<StartScreen> StartScreen::Create(std::shared_ptr<web::Desktop> desktop, ShowFlipbook showFlipbook,
                                                 ShowElsewhere showElsewhere) {
    return std::shared_ptr<StartScreen>(
        new StartScreen(std::move(desktop), std::move(showFlipbook), std::move(showElsewhere)));
}

void StartScreen::HandleCheckResult(const std::string& url, document::CheckResult result) {
    urlFlipbook_ = url;
    if (showFlipbook_ && result == document::CheckResult::Accepted) {
        // The window took another file meanwhile: this one is not dropped.
        if (onShowElsewhere_) onShowElsewhere_(url);
        return;
    }
    switch (result) {
    case document::CheckResult::TooNew:
        desktop_->ShowAlert({_(TOO_NEW_TEXT), {_("Yes"), _("No")}},
                            [self = shared_from_this()](int response) { self->OpenUpdatePage(response); });
        return;
    case document::CheckResult::NoMetadata:
    case document::CheckResult::Corrupted:
        desktop_->ShowAlert({_(INVALID_TEXT), {_("Close")}}, [](int) {});
        return;
    case document::CheckResult::Accepted:
        SwitchToFlipbook();
        return;
    }
}

void StartScreen::OpenUpdatePage(int response) {
    if (response == web::FIRST_BUTTON_RESPONSE) desktop_->OpenURI(web::UpdatePageUrl());
}

void StartScreen::ShowOpenedURL(const std::string& url) {
    urlFlipbook_ = url;
    SwitchToFlipbook();
}

void StartScreen::SwitchToFlipbook() {
    // The flipbook view takes its file once; later URLs do not reach it.
    if (std::exchange(showFlipbook_, true)) return;
    if (onShowFlipbook_) onShowFlipbook_(*urlFlipbook_);
}

}  // namespace brivane::app
