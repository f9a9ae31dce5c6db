#include "web/StartPageHost.h"

#include "base/Diagnostics.h"
#include "base/Unique.h"
#include "document/FlipbookMeta.h"
#include "web/BridgeProtocol.h"
#include "web/ServiceAddresses.h"

#include <glib.h>
#include <nlohmann/json.hpp>

#include <utility>

namespace brivane::web {

StartPageHost::StartPageHost(std::shared_ptr<Desktop> desktop, UpdateShow updateShow, Validator validator,
                             OpenElsewhere openElsewhere)
    : desktop_(std::move(desktop)),
      updateShow_(std::move(updateShow)),
      validator_(std::move(validator)),
      openElsewhere_(std::move(openElsewhere)) {
    if (!validator_) validator_ = document::ValidateFlipbookFile;
}

std::shared_ptr<StartPageHost> StartPageHost::Create(std::shared_ptr<Desktop> desktop, UpdateShow updateShow,
                                                     Validator validator, OpenElsewhere openElsewhere) {
    return std::shared_ptr<StartPageHost>(
        new StartPageHost(std::move(desktop), std::move(updateShow), std::move(validator), std::move(openElsewhere)));
}

void StartPageHost::UsePositions(std::shared_ptr<const document::ReadingPositions> positions) {
    positions_ = std::move(positions);
}

void StartPageHost::UseCovers(std::shared_ptr<const CoverCache> covers, MakeCover makeCover) {
    covers_ = std::move(covers);
    makeCover_ = std::move(makeCover);
}

namespace {

nlohmann::json CoverFields(const CoverCache::Cover& cover) {
    nlohmann::json fields = nlohmann::json::object();
    if (cover.pageCount > 0) fields["pages"] = cover.pageCount;
    // A data address: the page sees the picture and never a path to read.
    UniqueGChars base64(g_base64_encode(reinterpret_cast<const guchar*>(cover.png.data()), cover.png.size()));
    fields["cover"] = cover.png.empty() ? std::string() : std::string("data:image/png;base64,") + base64.get();
    return fields;
}

}  // namespace

void StartPageHost::PageFinished(ScriptRunner runScript) {
    webView_ = std::move(runScript);
    OfferRecent();
}

void StartPageHost::OfferRecent() {
    if (!positions_ || !webView_) return;
    offered_ = positions_->Recent(RECENT_BOOKS);
    nlohmann::json list = nlohmann::json::array();
    for (const auto& book : offered_) {
        UniqueGChars path(g_filename_from_uri(book.fileUrl.c_str(), nullptr, nullptr));
        UniqueGChars name(g_path_get_basename(path ? path.get() : book.fileUrl.c_str()));
        nlohmann::json entry = {{"title", book.title}, {"file", name.get()}, {"page", book.page}};
        if (covers_) {
            const auto stamp = path ? CoverCache::StampOf(path.get()) : std::nullopt;
            if (const auto cover = stamp ? covers_->Find(book.id, *stamp) : std::nullopt)
                entry.update(CoverFields(*cover));
            else if (stamp && makeCover_ && drawing_.insert(book.id).second)
                toDraw_.push_back({book.id, book.fileUrl, *stamp});
        }
        list.push_back(std::move(entry));
    }
    webView_(BridgeProtocol::RecentBooksScript(list));
    DrawNextCover();
}

void StartPageHost::DrawNextCover() {
    // One at a time: the start window should not fight the first book for the processor.
    if (drawingCover_ || toDraw_.empty()) return;
    drawingCover_ = true;
    auto book = std::make_shared<CoverToDraw>(std::move(toDraw_.front()));
    toDraw_.pop_front();
    auto cover = std::make_shared<CoverCache::Cover>();
    // The worker holds nothing of the window's: it may close meanwhile.
    desktop_->RunInBackground(
        [covers = covers_, make = makeCover_, book, cover] {
            *cover = make(book->fileUrl);
            covers->Store(book->id, book->stamp, *cover);
        },
        [weak = weak_from_this(), book, cover] {
            const auto self = weak.lock();
            if (!self) return;
            self->drawingCover_ = false;
            self->CoverReady(book->id, *cover);
            self->DrawNextCover();
        });
}

void StartPageHost::CoverReady(const std::string& bookId, const CoverCache::Cover& cover) {
    drawing_.erase(bookId);
    if (!webView_) return;
    for (std::size_t i = 0; i < offered_.size(); ++i)
        if (offered_[i].id == bookId) webView_(BridgeProtocol::RecentCoverScript(i, CoverFields(cover)));
}

void StartPageHost::ForgetRecent(std::optional<std::size_t> index) {
    if (!positions_) return;
    if (!index) {
        positions_->ForgetAll();
    } else if (*index < offered_.size()) {
        positions_->Forget(offered_[*index]);
    } else {
        Diagnostics::Line("Refused recent book: " + std::to_string(*index));
        return;
    }
    OfferRecent();
}

void StartPageHost::Detach() {
    webView_ = nullptr;
    // Covers not begun yet wait for the next start window.
    for (const auto& book : toDraw_) drawing_.erase(book.id);
    toDraw_.clear();
}

void StartPageHost::MessageReceived(const std::string& body) {
    Diagnostics::Line(body);
    auto echoUnlessRejected = [self = shared_from_this(), body](Outcome outcome) {
        // A rejected file gets its alert instead of the echo.
        if (outcome != Outcome::Rejected) self->ScheduleEcho(body);
    };
    if (const auto index = BridgeProtocol::RecentBookIndex(body)) {
        OpenRecentBook(*index, echoUnlessRejected);
        return;
    }
    if (const auto index = BridgeProtocol::RemovedRecentIndex(body)) {
        ForgetRecent(*index);
        ScheduleEcho(body);
        return;
    }
    switch (BridgeProtocol::DispatchStartMessage(body)) {
    case BridgeProtocol::StartAction::OpenFile:
        OpenFlipbookFile(echoUnlessRejected);
        return;
    case BridgeProtocol::StartAction::Help:
        OpenReaderDownloadPage();
        break;
    case BridgeProtocol::StartAction::ClearRecent:
        ForgetRecent(std::nullopt);
        break;
    case BridgeProtocol::StartAction::None:
        break;
    }
    ScheduleEcho(body);
}

void StartPageHost::OpenFlipbookFile(std::function<void(Outcome)> done) {
    if (flowRunning_) {
        if (openElsewhere_) openElsewhere_();
        done(Outcome::Cancelled);
        return;
    }
    flowRunning_ = true;
    desktop_->ChooseFlipbookFile([self = shared_from_this(), done](std::optional<std::string> fileUrl) {
        if (!fileUrl) {
            self->flowRunning_ = false;
            done(Outcome::Cancelled);
            return;
        }
        self->CheckAndShow(*fileUrl, done);
    });
}

void StartPageHost::OpenRecentBook(std::size_t index, std::function<void(Outcome)> done) {
    // Only books this host offered: the page cannot name a file of its own.
    if (index >= offered_.size()) {
        Diagnostics::Line("Refused recent book: " + std::to_string(index));
        done(Outcome::Cancelled);
        return;
    }
    CheckAndShow(offered_[index].fileUrl, std::move(done));
}

void StartPageHost::CheckAndShow(const std::string& fileUrl, std::function<void(Outcome)> done) {
    Diagnostics::Line(fileUrl);
    // The archive may sit on a slow disk or network mount: keep the window responsive.
    auto result = std::make_shared<document::CheckResult>();
    desktop_->RunInBackground(
        [validator = validator_, url = fileUrl, result] { *result = validator(url); },
        [self = shared_from_this(), url = fileUrl, result, done] {
            self->flowRunning_ = false;
            self->updateShow_(url, *result);
            done(*result == document::CheckResult::Accepted ? Outcome::Accepted : Outcome::Rejected);
        });
}

void StartPageHost::OpenReaderDownloadPage() { desktop_->OpenURI(ReaderDownloadPageUrl()); }

void StartPageHost::AfterEchoes(std::function<void()> then) {
    desktop_->ScheduleAfter(std::chrono::milliseconds(0), [self = shared_from_this(), then = std::move(then)] {
        if (self->echoesDue_ == 0) return then();
        self->afterEchoes_.push_back(then);
    });
}

void StartPageHost::ScheduleEcho(const std::string& text) {
    ++echoesDue_;
    desktop_->ScheduleAfter(std::chrono::seconds(1), [self = shared_from_this(), text] {
        // Whether the page has loaded is asked when the echo comes due.
        if (self->webView_) self->webView_(BridgeProtocol::EchoScript(text));
        if (--self->echoesDue_ == 0)
            for (const auto& then : std::exchange(self->afterEchoes_, {})) then();
    });
}

}  // namespace brivane::web
