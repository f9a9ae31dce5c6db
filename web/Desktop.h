#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brivane::web {

// Response of the first alert button; the next buttons count up from it.
inline constexpr int FIRST_BUTTON_RESPONSE = 1000;

struct Alert {
    std::string text;
    std::vector<std::string> buttons;  // the first is the default, the last answers Escape
};

// What the page hosts and the start screen ask of the desktop. The GTK build
// talks to the real one; tests hand in a fake so the flows run without a display.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Hands an address to the system's default application; failures are only logged.
    virtual void OpenURI(const std::string& uri) = 0;
    // Runs work on the main thread after the delay.
    virtual void ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> work) = 0;
    // Modal error alert; completion gets FIRST_BUTTON_RESPONSE + index of the button.
    virtual void ShowAlert(const Alert& alert, std::function<void(int response)> completion) = 0;
    // Lets the user pick one *.flip file; done gets its file URL, or nothing when cancelled.
    virtual void ChooseFlipbookFile(std::function<void(std::optional<std::string> fileUrl)> done) = 0;
    // Runs work off the main thread, then done on the main thread.
    virtual void RunInBackground(std::function<void()> work, std::function<void()> done) = 0;
    // From any thread: runs work on the main thread soon, after what was
    // handed over before it (a background task's done included).
    virtual void RunOnMain(std::function<void()> work) = 0;
    // Prints the PDF at a file URL through the print dialog, with the settings
    // the session kept from its last print; an unreadable PDF prints nothing.
    // shownPages (from 1, left to right) become the dialog's current page.
    virtual void PrintPdf(const std::string& fileUri, const std::vector<int>& shownPages) = 0;
};

}  // namespace brivane::web
