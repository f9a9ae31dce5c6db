#pragma once

#include "base/GObjectPtr.h"
#include "web/Desktop.h"

#include <gtk/gtk.h>

namespace brivane::app {

// The desktop of one window: its file chooser, alerts, timers and the
// default applications of the session.
class GtkDesktop : public web::Desktop {
public:
    explicit GtkDesktop(GtkWindow* window);
    ~GtkDesktop() override;
    GtkDesktop(const GtkDesktop&) = delete;
    GtkDesktop& operator=(const GtkDesktop&) = delete;

    void OpenURI(const std::string& uri) override;
    void ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> work) override;
    void ShowAlert(const web::Alert& alert, std::function<void(int response)> completion) override;
    void ChooseFlipbookFile(std::function<void(std::optional<std::string> fileUrl)> done) override;
    void RunInBackground(std::function<void()> work, std::function<void()> done) override;
    void RunOnMain(std::function<void()> work) override;
    void PrintPdf(const std::string& fileUri, const std::vector<int>& shownPages) override;
    // Lets the user pick one PDF; done gets its file URL, or nothing when cancelled.
    void ChoosePdfFile(std::function<void(std::optional<std::string> fileUrl)> done);

private:
    void ChooserAnswered(int response);
    void Choose(const char* title, const char* filterName, const char* suffix,
                std::function<void(std::optional<std::string>)> done);

    GtkWindow* window_;  // weak: cleared when the window goes
    RefPtr<GtkNativeDialog> chooser_;
    std::function<void(std::optional<std::string>)> chooserDone_;
    SignalConnection chooserResponse_;
};

}  // namespace brivane::app
