#pragma once

#include "document/CheckResult.h"
#include "document/ReadingPositions.h"
#include "web/CoverCache.h"
#include "web/Desktop.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
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
    // Runs an open-file flow in a window of its own.
    using OpenElsewhere = std::function<void()>;

    enum class Outcome { Cancelled, Accepted, Rejected };

    static std::shared_ptr<StartPageHost> Create(std::shared_ptr<Desktop> desktop, UpdateShow updateShow,
                                                 Validator validator = {}, OpenElsewhere openElsewhere = {});

    // Books recently read, offered on the start page once it has loaded.
    void UsePositions(std::shared_ptr<const document::ReadingPositions> positions);
    static constexpr std::size_t RECENT_BOOKS = 8;
    // Draws a book's cover; runs off the main thread.
    using MakeCover = std::function<CoverCache::Cover(const std::string& fileUrl)>;
    // The recent books come with their covers and page counts: kept ones at
    // once, the others drawn in the background and sent as each is ready.
    void UseCovers(std::shared_ptr<const CoverCache> covers, MakeCover makeCover);

    // The page finished loading: from now on echoes reach it, and it gets
    // the recent books.
    void PageFinished(ScriptRunner runScript);
    // The view goes away; later echoes are dropped.
    void Detach();

    // Runs then once no echo is due any more, at the earliest on the next turn
    // of the main loop (the flow that accepted a file schedules its echo
    // right after handing the file on).
    void AfterEchoes(std::function<void()> then);

    void MessageReceived(const std::string& body);
    // The window belongs to the first flow until its file is checked: a
    // second one started meanwhile runs elsewhere, and done hears Cancelled.
    void OpenFlipbookFile(std::function<void(Outcome)> done);
    bool FlowRunning() const { return flowRunning_; }
    void OpenReaderDownloadPage();
    // Opens the recent book at index of the list the page was given, through
    // the same check as a chosen file.
    void OpenRecentBook(std::size_t index, std::function<void(Outcome)> done);

private:
    StartPageHost(std::shared_ptr<Desktop> desktop, UpdateShow updateShow, Validator validator,
                  OpenElsewhere openElsewhere);
    void ScheduleEcho(const std::string& text);
    void CheckAndShow(const std::string& fileUrl, std::function<void(Outcome)> done);
    void OfferRecent();
    void DrawNextCover();
    void CoverReady(const std::string& bookId, const CoverCache::Cover& cover);
    // One book of the list last offered, or all of them when index is absent.
    void ForgetRecent(std::optional<std::size_t> index);

    std::shared_ptr<Desktop> desktop_;
    UpdateShow updateShow_;
    Validator validator_;
    OpenElsewhere openElsewhere_;
    ScriptRunner webView_;
    int echoesDue_ = 0;
    std::vector<std::function<void()>> afterEchoes_;
    std::shared_ptr<const document::ReadingPositions> positions_;
    std::vector<document::ReadingPositions::Book> offered_;
    std::shared_ptr<const CoverCache> covers_;
    MakeCover makeCover_;
    struct CoverToDraw {
        std::string id, fileUrl;
        CoverCache::Stamp stamp;
    };
    std::deque<CoverToDraw> toDraw_;
    bool drawingCover_ = false;
    std::set<std::string> drawing_;  // book ids whose covers are on their way
    bool flowRunning_ = false;
};

}  // namespace brivane::web
