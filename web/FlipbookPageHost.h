#pragma once

#include "document/ReadingPositions.h"
#include "web/Desktop.h"
#include "web/FlipbookSurface.h"
#include "web/FlipbookWindow.h"
#include "web/UnpackingBook.h"
#include "web/WorkspaceSteps.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivane::web {

// The file URL of the flipbook loaded last, in any window. Each page host
// keeps its own file; this is only the latest value, never read back for it.
extern std::optional<std::string> currentFlipbookURL;

class FlipbookPageHost : public std::enable_shared_from_this<FlipbookPageHost> {
public:
    static std::shared_ptr<FlipbookPageHost> Create(std::string fileUrl, std::shared_ptr<Desktop> desktop,
                                                    FlipbookSurface* surface, FlipbookWindow* window,
                                                    WorkspaceSteps steps = WorkspaceSteps::OnDisk());

    // The surface and the window go away; work still running finishes without them.
    void Detach();
    // Where books were left: the page reopens there and reports where it is.
    void UsePositions(std::shared_ptr<const document::ReadingPositions> positions);

    // A book made of another file (a PDF) is remembered as that file, which
    // outlives the made book and makes it again when opened.
    void RecordAs(std::string fileUrl) { recordUrl_ = std::move(fileUrl); }

    // Installs the reader core and loads the reader page from it.
    void Load();
    // Main-frame load finished at uri.
    void PageFinished(const std::string& uri);
    // The main-frame load failed (the reader core missing, the disk full):
    // the page it leaves behind is never configured. True: handled here, the
    // view shows no error page of its own.
    bool LoadFailed(const std::string& uri, const std::string& error);
    // The web process behind the view ended: the page is gone.
    void WebProcessTerminated(const std::string& reason);
    // The user asks to try again after a problem.
    void Reload();
    // shownUri: what the view shows when the message arrives.
    void MessageReceived(const std::string& body, const std::string& shownUri);
    void NewWindowRequested(const std::string& uri);
    // False: the view must not follow this main-frame navigation.
    bool MainFrameNavigation(const std::string& uri);
    // The window went full screen or came back: the page hides or shows its bars.
    void FullscreenChanged(bool fullscreen);

    const std::string& PageUrl() const { return pageUrl_; }

    // Our menus run the reader page's own commands ("next", "zoomIn", ...).
    void RunCommand(const std::string& command);
    void GoToPage(int page);
    void Find(const std::string& query, int direction);
    // Marks the sentence being read aloud; page 0: none.
    void MarkSpeaking(int page, std::size_t from, std::size_t to);

    // English, as the catalogue's keys; the view shows them translated.
    static constexpr const char* NO_WORKSPACE_MESSAGE =
        N_("This flipbook cannot be shown: its contents could not be prepared.");
    static constexpr const char* NO_CONFIGURATION_MESSAGE =
        N_("This flipbook cannot be shown: it could not be unpacked. The file may be damaged or the disk full.");
    static constexpr const char* LOAD_FAILED_MESSAGE =
        N_("This flipbook cannot be shown: the reader could not be loaded. The disk may be full.");
    static constexpr const char* PROCESS_ENDED_MESSAGE = N_("The reader stopped unexpectedly.");

private:
    FlipbookPageHost(std::string fileUrl, std::shared_ptr<Desktop> desktop, FlipbookSurface* surface,
                     FlipbookWindow* window, WorkspaceSteps steps);
    void BeginBusy();
    void ReportProgress(int generation);
    void EndBusy();
    void ApplyFinished(const WorkspaceSteps::Finished& finished);
    void ApplyEarly(const WorkspaceSteps::Finished& finished, int generation);
    std::shared_ptr<UnpackingBook> StartUnpacking(int generation);
    // Files of the book are handed out only once they are complete; an action
    // already waiting under the same key is not queued again.
    void AfterUnpacking(const std::string& key, std::function<void()> action);
    // problem absent: the verdict belongs to no page shown now.
    void UnpackingEnded(bool succeeded, const std::optional<std::string>& problem);
    // The page was served an entry from the archive that failed its CRC-32.
    void ServedMismatch(const std::string& entry, int generation);
    void HandToSystem(const std::string& address);
    void Resume();
    void RememberPosition(const std::string& argument);
    void RememberView(const std::string& argument);
    void TakeShownText(const std::string& argument);
    void RememberOnScreen(const std::string& argument);
    void Fail(const char* message);

    std::string fileUrl_;
    std::string recordUrl_;  // for the recent books, when not fileUrl_
    std::shared_ptr<Desktop> desktop_;
    // Both there until Detach, and gone together: a check of either holds for both.
    FlipbookSurface* surface_;
    FlipbookWindow* window_;
    WorkspaceSteps steps_;
    std::optional<std::string> workspace_;
    std::shared_ptr<void> workspaceUse_;  // while set, other windows reuse the workspace as it is
    std::string pageUrl_;
    std::shared_ptr<const document::ReadingPositions> positions_;
    document::ReadingPositions::Book book_;
    int pageCount_ = 0;
    std::vector<int> shown_;  // on screen, left to right: what "Current page" prints
    bool failed_ = false;     // the view shows no reader page until the next load
    int loadGeneration_ = 0;
    bool finishing_ = false;
    bool finishAgain_ = false;
    std::shared_ptr<UnpackingBook> unpacking_;  // while the page reads a book still being written
    bool configuredEarly_ = false;
    std::vector<std::pair<std::string, std::function<void()>>> afterUnpacking_;
    int busyGeneration_ = 0;
    bool fullscreen_ = false;
};

}  // namespace brivane::web
