#pragma once

#include "CheckResult.h"
#include "Desktop.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brivane::web {

// What the start page's bridge does: the open-file flow, the help page and
// the echo one second after each message. Display-free; the GTK WebView
// feeds it messages and gives it a way to run scripts once the page loaded.
class StartPageHost : public std::enable_shared_from_this<StartPageHost> {
public:
    using UpdateShow = std::function<void(const std::string& fileUrl, document::CheckResult result)>;
    using Validator = std::function<document::CheckResult(const std::string& fileUrl)>;
    using ScriptRunner = std::function<void(const std::string& script)>;

    enum class Outcome { Cancelled, Accepted, Rejected };

    static std::shared_ptr<StartPageHost> Create(std::shared_ptr<Desktop> desktop, UpdateShow updateShow,
                                                 Validator validator = {});

    // The page finished loading: from now on echoes reach it.
    void PageFinished(ScriptRunner runScript);
    // The view goes away; later echoes are dropped.
    void Detach();

    // Runs then once no echo is due any more, at the earliest on the next turn
    // of the main loop (the flow that accepted a file schedules its echo
    // right after handing the file on).
    void AfterEchoes(std::function<void()> then);

    void MessageReceived(const std::string& body);
    void OpenFlipbookFile(std::function<void(Outcome)> done);
    void OpenReaderDownloadPage();

private:
    StartPageHost(std::shared_ptr<Desktop> desktop, UpdateShow updateShow, Validator validator);
    void ScheduleEcho(const std::string& text);

    std::shared_ptr<Desktop> desktop_;
    UpdateShow updateShow_;
    Validator validator_;
    ScriptRunner webView_;
    int echoesDue_ = 0;
    std::vector<std::function<void()>> afterEchoes_;
};

}  // namespace brivane::web
