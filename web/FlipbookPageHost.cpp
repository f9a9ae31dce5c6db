#include "web/FlipbookPageHost.h"

#include "base/Diagnostics.h"
#include "base/FileUrl.h"
#include "base/Unique.h"
#include "document/FlipbookFile.h"
#include "document/archive/UnpackFailure.h"  // for the damaged entry's words
#include "web/BridgeProtocol.h"
#include "web/NavigationPolicy.h"
#include "web/NewWindowPolicy.h"
#include "web/UnpackProgress.h"
#include "web/WindowTitle.h"
#include "web/WorkspaceLock.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <glib.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>
#include <utility>

namespace brivane::web {

std::optional<std::string> currentFlipbookURL;

namespace {

constexpr auto BUSY_DELAY = std::chrono::milliseconds(300);
constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(250);

std::string FaviconPath(const std::string& workspaceUrl) {
    UniqueGChars directory(g_filename_from_uri(workspaceUrl.c_str(), nullptr, nullptr));
    if (!directory) return {};
    UniqueGChars path(g_build_filename(directory.get(), "files", "icon", "favicon.png", nullptr));
    return path.get();
}

}  // namespace

FlipbookPageHost::FlipbookPageHost(std::string fileUrl, std::shared_ptr<Desktop> desktop, FlipbookSurface* surface,
                                   FlipbookWindow* window, WorkspaceSteps steps)
    : fileUrl_(std::move(fileUrl)),
      desktop_(std::move(desktop)),
      surface_(surface),
      window_(window),
      steps_(std::move(steps)) {}

std::shared_ptr<FlipbookPageHost> FlipbookPageHost::Create(std::string fileUrl, std::shared_ptr<Desktop> desktop,
                                                           FlipbookSurface* surface, FlipbookWindow* window,
                                                           WorkspaceSteps steps) {
    return std::shared_ptr<FlipbookPageHost>(
        new FlipbookPageHost(std::move(fileUrl), std::move(desktop), surface, window, std::move(steps)));
}

void FlipbookPageHost::Detach() {
    surface_ = nullptr;
    window_ = nullptr;
    // Nobody reads the rest: a closed window must not keep the disk busy.
    if (unpacking_) unpacking_->Cancel();
    workspaceUse_.reset();
}

void FlipbookPageHost::UsePositions(std::shared_ptr<const document::ReadingPositions> positions) {
    positions_ = std::move(positions);
}

void FlipbookPageHost::BeginBusy() {
    const int generation = ++busyGeneration_;
    // Only a hint: it must not keep a closed view's host alive.
    desktop_->ScheduleAfter(BUSY_DELAY, [weak = weak_from_this(), generation] {
        auto self = weak.lock();
        if (self && self->window_ && self->busyGeneration_ == generation) self->window_->ShowBusy(true);
    });
}

void FlipbookPageHost::ReportProgress(int generation) {
    if (!unpacking_) return;
    desktop_->ScheduleAfter(PROGRESS_INTERVAL, [weak = weak_from_this(), generation] {
        auto self = weak.lock();
        if (!self || !self->window_ || !self->finishing_ || self->busyGeneration_ != generation) return;
        // What the unpacker has told so far: nothing is read again to find out.
        const auto unpacked = self->unpacking_ ? self->unpacking_->Progress() : std::nullopt;
        if (unpacked && unpacked->second > 0) {
            const UnpackProgress progress{unpacked->first, unpacked->second};
            self->window_->ShowProgress(UnpackProgress::Describe(progress),
                                        static_cast<double>(progress.done) / static_cast<double>(progress.total));
        }
        self->ReportProgress(generation);
    });
}

void FlipbookPageHost::EndBusy() {
    ++busyGeneration_;
    if (window_) window_->ShowBusy(false);
}

void FlipbookPageHost::Load() {
    currentFlipbookURL = fileUrl_;
    failed_ = false;
    ++loadGeneration_;
    workspaceUse_.reset();
    BeginBusy();
    struct Installed {
        std::optional<std::string> workspace;
        std::shared_ptr<void> use;
    };
    auto installed = std::make_shared<Installed>();
    desktop_->RunInBackground(
        [steps = steps_, url = fileUrl_, installed] {
            const auto key = steps.workspaceUrl(url);
            if (!key) {
                installed->workspace = steps.createCore(url);
                return;
            }
            // Another window shows a reader page from this workspace: its
            // reader core stays, the unpacking decides about the data.
            WorkspaceLock lock(*key);
            if (steps.claim) {
                auto claim = steps.claim(url);
                if (!claim) return;
                installed->workspace = claim->workspaceUrl;
                installed->use =
                    std::shared_ptr<void>(nullptr, [hold = std::move(claim->hold), mark = lock.MarkInUse()](void*) {});
                return;
            }
            installed->workspace = lock.InUse() ? key : steps.createCore(url);
            if (installed->workspace) installed->use = lock.MarkInUse();
        },
        [self = shared_from_this(), installed] {
            self->EndBusy();
            const auto& workspace = installed->workspace;
            if (!workspace) {
                if (self->window_) self->window_->ShowProblem(_(NO_WORKSPACE_MESSAGE));
                return;
            }
            Diagnostics::Line("load path:");
            Diagnostics::Line(self->fileUrl_);
            Diagnostics::Line(*workspace);
            self->workspace_ = workspace;
            self->pageUrl_ = JoinFileUrl(*workspace, "flipbook.html");
            if (!self->surface_) return;  // the use ends with the work
            self->workspaceUse_ = installed->use;
            self->surface_->LoadPage(self->pageUrl_, *workspace);
        });
}

void FlipbookPageHost::PageFinished(const std::string& uri) {
    if (failed_ || !NavigationPolicy::IsReaderPage(uri, pageUrl_)) return;
    if (finishing_) {
        // A reload while unpacking: one unpacking at a time, then again.
        finishAgain_ = true;
        return;
    }
    finishing_ = true;
    configuredEarly_ = false;
    BeginBusy();
    auto finished = std::make_shared<WorkspaceSteps::Finished>();
    unpacking_ = StartUnpacking(loadGeneration_);
    ReportProgress(busyGeneration_);
    desktop_->RunInBackground(
        [steps = steps_, url = fileUrl_, finished, book = unpacking_] {
            const auto key = steps.workspaceUrl(url);
            std::optional<WorkspaceLock> lock;
            if (key) lock.emplace(*key);  // one unpacking per workspace at a time
            *finished = steps.finish(url, book.get());
            if (book) book->Finish();
        },
        [self = shared_from_this(), finished, generation = loadGeneration_] {
            self->finishing_ = false;
            self->EndBusy();
            self->unpacking_.reset();
            const bool early = std::exchange(self->configuredEarly_, false);
            if (early) {
                // A page loaded since then gets its own unpacking and verdict.
                const bool current = !self->failed_ && generation == self->loadGeneration_;
                self->UnpackingEnded(current && finished->configuration.has_value(),
                                     current ? finished->unpackProblem : std::optional<std::string>());
            }
            if (std::exchange(self->finishAgain_, false)) {
                self->PageFinished(self->pageUrl_);
                return;
            }
            // The page it was for is gone: failed, or replaced by a new load.
            if (early || self->failed_ || generation != self->loadGeneration_) return;
            self->ApplyFinished(*finished);
        });
}

std::shared_ptr<UnpackingBook> FlipbookPageHost::StartUnpacking(int generation) {
    if (!steps_.early || !workspace_) return nullptr;
    const auto archive = PathFromFileUrl(fileUrl_);
    const auto workspace = PathFromFileUrl(*workspace_);
    if (!archive || !workspace) return nullptr;
    // The archive is read by slices without following links: name the file itself.
    std::error_code error;
    const auto real = std::filesystem::canonical(*archive, error);
    if (error) return nullptr;
    std::string data = *workspace;
    if (!data.ends_with('/')) data += '/';
    data += "data";
    // Thousands of small files are written a second: one wake-up of the main
    // thread at a time is enough to let waiting requests go on.
    auto pending = std::make_shared<std::atomic<bool>>(false);
    // The book tells which entry was served wrong; it exists once notify does.
    auto bookSlot = std::make_shared<std::weak_ptr<const UnpackingBook>>();
    auto notify = [weak = weak_from_this(), desktop = desktop_, early = steps_.early, url = fileUrl_,
                   workspaceUrl = *workspace_, generation, pending, bookSlot](UnpackingBook::Event event) {
        if (event == UnpackingBook::Event::Mismatched) {
            const auto book = bookSlot->lock();
            const auto entry = book ? book->Mismatch() : std::nullopt;
            desktop->RunOnMain([weak, entry = entry.value_or(std::string()), generation] {
                if (auto host = weak.lock()) host->ServedMismatch(entry, generation);
            });
            return;
        }
        if (event != UnpackingBook::Event::Surveyed) {
            if (pending->exchange(true) && event == UnpackingBook::Event::Written) return;
            desktop->RunOnMain([weak, pending] {
                pending->store(false);
                auto self = weak.lock();
                if (self && self->surface_) self->surface_->UnpackingChanged();
            });
            return;
        }
        // Still on the unpacking thread, before the first write.
        auto finished = std::make_shared<WorkspaceSteps::Finished>(early(url, workspaceUrl));
        desktop->RunOnMain([weak, finished, generation] {
            if (auto self = weak.lock()) self->ApplyEarly(*finished, generation);
        });
    };
    auto book = std::make_shared<UnpackingBook>(real.string(), data, std::move(notify));
    *bookSlot = book;
    return book;
}

void FlipbookPageHost::ServedMismatch(const std::string& entry, int generation) {
    if (failed_ || generation != loadGeneration_ || !surface_) return;
    // As if the unpacker had found it first: the page must not go on showing
    // bytes that are not the book's.
    failed_ = true;
    surface_->ServeUnpacking(nullptr);
    const document::UnpackFailure damaged(document::UnpackFailure::Cause::CrcMismatch, entry);
    window_->ShowProblem(std::string(_(NO_CONFIGURATION_MESSAGE)) + " " + damaged.PlainWords());
}

void FlipbookPageHost::ApplyEarly(const WorkspaceSteps::Finished& finished, int generation) {
    if (failed_ || generation != loadGeneration_ || !surface_ || !unpacking_ || !finishing_) return;
    if (!finished.configuration) return;  // the end will tell
    configuredEarly_ = true;
    EndBusy();
    surface_->ServeUnpacking(unpacking_);
    ApplyFinished(finished);
}

void FlipbookPageHost::UnpackingEnded(bool succeeded, const std::optional<std::string>& problem) {
    auto waiting = std::exchange(afterUnpacking_, {});
    if (!surface_) return;
    surface_->ServeUnpacking(nullptr);
    if (!succeeded) {
        if (!problem) return;
        // The page showed what it had read; the rest of the book is not there.
        std::string text = _(NO_CONFIGURATION_MESSAGE);
        if (!problem->empty()) text += " " + *problem;
        window_->ShowProblem(text);
        return;
    }
    for (auto& [key, action] : waiting) action();
}

void FlipbookPageHost::AfterUnpacking(const std::string& key, std::function<void()> action) {
    if (!configuredEarly_ || !finishing_) return action();
    // Pressing again while waiting must not print or open the book twice.
    if (std::ranges::none_of(afterUnpacking_, [&](const auto& waiting) { return waiting.first == key; }))
        afterUnpacking_.emplace_back(key, std::move(action));
    // Say why nothing happens yet: the file is still being written.
    BeginBusy();
    ReportProgress(busyGeneration_);
}

void FlipbookPageHost::ApplyFinished(const WorkspaceSteps::Finished& finished) {
    if (!surface_) return;
    if (finished.workspaceUrl) window_->SetIcon(FaviconPath(*finished.workspaceUrl));
    const std::string title = WindowTitle::FromStored(finished.title);
    if (!title.empty()) window_->SetTitle(title);
    if (!finished.configuration) {
        // The reason, when known, follows the general message (not yet in the catalogues).
        std::string problem = _(NO_CONFIGURATION_MESSAGE);
        if (!finished.unpackProblem.empty()) problem += " " + finished.unpackProblem;
        window_->ShowProblem(problem);
        return;
    }
    surface_->RunScript(BridgeProtocol::ConfigurationScript(*finished.configuration));
    const std::string& recorded = recordUrl_.empty() ? fileUrl_ : recordUrl_;
    book_ = {finished.bookId, 1, recorded, title};
    pageCount_ = finished.pageCount;
    Resume();
    // A page loaded again while the window covers the screen starts with its bars shown.
    if (fullscreen_) surface_->RunScript(BridgeProtocol::FullscreenScript(true));
    window_->FlipbookShown(recorded);
    // Only once the book shows: clearing out old workspaces must never delay it.
    if (steps_.sweep) desktop_->RunInBackground(steps_.sweep, [] {});
}

bool FlipbookPageHost::LoadFailed(const std::string& uri, const std::string& error) {
    Diagnostics::Line("load failed: " + uri + ": " + error);
    Fail(LOAD_FAILED_MESSAGE);
    return true;
}

void FlipbookPageHost::WebProcessTerminated(const std::string& reason) {
    Diagnostics::Line("web process ended: " + reason);
    Fail(PROCESS_ENDED_MESSAGE);
}

void FlipbookPageHost::Fail(const char* message) {
    failed_ = true;
    EndBusy();
    if (window_) window_->ShowProblem(message);
}

void FlipbookPageHost::Reload() {
    if (surface_) Load();
}

void FlipbookPageHost::MessageReceived(const std::string& body, const std::string& shownUri) {
    const auto message = BridgeProtocol::DispatchFlipbookMessage(body);
    // A page's whole text on every turn would drown the other lines.
    const bool bulky = message.action == BridgeProtocol::FlipbookAction::Shown ||
                       message.action == BridgeProtocol::FlipbookAction::Contents;
    Diagnostics::Line(bulky ? body.substr(0, 64) : body);
    if (failed_ || !NavigationPolicy::IsReaderPage(shownUri, pageUrl_)) return;
    switch (message.action) {
    case BridgeProtocol::FlipbookAction::OpenPdf:
        HandToSystem(message.argument);
        break;
    case BridgeProtocol::FlipbookAction::Print:
        if (!NewWindowPolicy::IsBookPdf(message.argument, workspace_)) {
            Diagnostics::Line("Refused to print: " + message.argument);
        } else if (surface_) {
            AfterUnpacking("print", [self = shared_from_this(), pdf = message.argument] {
                if (self->surface_) self->desktop_->PrintPdf(pdf, self->shown_);
            });
        }
        break;
    case BridgeProtocol::FlipbookAction::Position:
        RememberPosition(message.argument);
        break;
    case BridgeProtocol::FlipbookAction::View:
        RememberView(message.argument);
        break;
    case BridgeProtocol::FlipbookAction::Fullscreen:
        if (const auto wanted = BridgeProtocol::FullscreenWanted(message.argument); wanted && window_)
            window_->SetFullscreen(*wanted);
        break;
    case BridgeProtocol::FlipbookAction::Shown:
        TakeShownText(message.argument);
        break;
    case BridgeProtocol::FlipbookAction::Contents:
        if (const auto entries = BridgeProtocol::ContentsOf(message.argument); entries && window_)
            window_->ShowContents(*entries);
        else if (!entries)
            Diagnostics::Line("Refused contents");
        break;
    case BridgeProtocol::FlipbookAction::Found:
        if (window_ && message.argument.size() <= BridgeProtocol::MAX_FOUND_BYTES)
            window_->ShowFindStatus(message.argument);
        break;
    case BridgeProtocol::FlipbookAction::Drawn:
        if (window_) window_->PagesDrawn();
        break;
    case BridgeProtocol::FlipbookAction::OnScreen:
        RememberOnScreen(message.argument);
        break;
    case BridgeProtocol::FlipbookAction::None:
        break;
    }
}

void FlipbookPageHost::FullscreenChanged(bool fullscreen) {
    fullscreen_ = fullscreen;
    if (surface_ && !failed_) surface_->RunScript(BridgeProtocol::FullscreenScript(fullscreen));
}

void FlipbookPageHost::Resume() {
    if (!positions_ || book_.id.empty()) return;
    if (const auto stored = positions_->Find(book_.id)) {
        // A record from another edition of the book may point past its end;
        // how the reader liked to see it still holds.
        if (stored->page > 1 && stored->page <= pageCount_) book_.page = stored->page;
        book_.state = stored->state;
        if (book_.page > 1 || !book_.state.Empty())
            surface_->RunScript(BridgeProtocol::ResumeScript(book_.page, book_.state));
    }
    // Opening alone makes the book recent, before any page is turned.
    positions_->Remember(book_);
}

void FlipbookPageHost::RememberPosition(const std::string& argument) {
    const auto page = BridgeProtocol::PageNumber(argument);
    if (!page || *page > pageCount_ || book_.id.empty()) {
        Diagnostics::Line("Refused position: " + argument);
        return;
    }
    if (!positions_ || *page == book_.page) return;
    book_.page = *page;
    positions_->Remember(book_);
}

void FlipbookPageHost::RememberOnScreen(const std::string& argument) {
    const auto pages = BridgeProtocol::PagesOnScreen(argument);
    if (!pages || std::ranges::any_of(*pages, [this](int page) { return page > pageCount_; })) {
        Diagnostics::Line("Refused shown pages: " + argument);
        return;
    }
    shown_ = *pages;
}

void FlipbookPageHost::RememberView(const std::string& argument) {
    const auto state = BridgeProtocol::ViewStateOf(argument);
    if (!state || book_.id.empty()) {
        // The page is the only sender; a long refusal says enough in its start.
        Diagnostics::Line("Refused view: " + argument.substr(0, BridgeProtocol::MAX_VIEW_BYTES));
        return;
    }
    // A field the page leaves out (one it does not know) keeps its stored value.
    auto merged = book_.state;
    merged.Merge(*state);
    if (!positions_ || merged == book_.state) return;
    book_.state = merged;
    positions_->Remember(book_);
}

void FlipbookPageHost::TakeShownText(const std::string& argument) {
    const auto shown = BridgeProtocol::ShownPagesOf(argument);
    if (!shown) {
        Diagnostics::Line("Refused shown text");
        return;
    }
    if (window_) window_->ShowText(*shown);
}

void FlipbookPageHost::RunCommand(const std::string& command) {
    if (!failed_ && surface_ && !pageUrl_.empty()) surface_->RunScript(BridgeProtocol::CommandScript(command));
}

void FlipbookPageHost::GoToPage(int page) {
    if (!failed_ && surface_ && page >= 1) surface_->RunScript(BridgeProtocol::ResumeScript(page));
}

void FlipbookPageHost::Find(const std::string& query, int direction) {
    if (!failed_ && surface_ && !pageUrl_.empty()) surface_->RunScript(BridgeProtocol::FindScript(query, direction));
}

void FlipbookPageHost::MarkSpeaking(int page, std::size_t from, std::size_t to) {
    if (failed_ || !surface_) return;
    surface_->RunScript(page > 0 ? BridgeProtocol::SpeakingScript(page, from, to)
                                 : BridgeProtocol::SpeakingDoneScript());
}

void FlipbookPageHost::NewWindowRequested(const std::string& uri) {
    Diagnostics::Line(uri);
    const auto workspaceText = steps_.workspaceUrl(fileUrl_);
    if (!workspaceText) return;
    HandToSystem(NewWindowPolicy::Rewrite(uri, *workspaceText));
}

void FlipbookPageHost::HandToSystem(const std::string& address) {
    const auto outgoing = NewWindowPolicy::ForSystem(address, workspace_);
    if (!outgoing) {
        Diagnostics::Line("Refused to open: " + address);
        return;
    }
    if (!outgoing->starts_with("file:")) return desktop_->OpenURI(*outgoing);
    AfterUnpacking("open " + *outgoing, [self = shared_from_this(), uri = *outgoing] { self->desktop_->OpenURI(uri); });
}

bool FlipbookPageHost::MainFrameNavigation(const std::string& uri) {
    switch (NavigationPolicy::DecideMainFrame(uri, pageUrl_)) {
    case NavigationPolicy::Decision::Follow:
        return true;
    case NavigationPolicy::Decision::OpenInBrowser:
        HandToSystem(uri);
        return false;
    case NavigationPolicy::Decision::Refuse:
        Diagnostics::Line("Refused navigation: " + uri);
        return false;
    }
    return false;
}

}  // namespace brivane::web
