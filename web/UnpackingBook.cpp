#include "web/UnpackingBook.h"

#include <algorithm>
#include <utility>

namespace brivane::web {

UnpackingBook::UnpackingBook(std::string archivePath, std::string dataPath, std::function<void(Event)> notify)
    : archivePath_(std::move(archivePath)), dataPath_(std::move(dataPath)), notify_(std::move(notify)) {}

void UnpackingBook::Surveyed(const std::vector<document::ArchivedFile>& files) {
    {
        std::lock_guard lock(mutex_);
        if (finished_) return;
        for (const auto& file : files) files_.emplace(file.path, Entry{file});
        surveyed_ = true;
    }
    if (notify_) notify_(Event::Surveyed);
}

void UnpackingBook::Written(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        const auto found = files_.find(path);
        if (found == files_.end() || found->second.written) return;
        found->second.written = true;
    }
    if (notify_) notify_(Event::Written);
}

void UnpackingBook::Planned(std::uint64_t bytes) {
    planned_ = bytes;
    hasPlan_ = true;
}

void UnpackingBook::Copied(std::uint64_t bytes) { copied_ += bytes; }

std::optional<std::pair<std::uint64_t, std::uint64_t>> UnpackingBook::Progress() const {
    if (!hasPlan_) return std::nullopt;
    const std::uint64_t total = planned_;
    return std::pair(std::min<std::uint64_t>(copied_, total), total);
}

void UnpackingBook::Finish() {
    {
        std::lock_guard lock(mutex_);
        if (finished_) return;
        finished_ = true;
        files_.clear();
    }
    if (notify_) notify_(Event::Finished);
}

UnpackingBook::Place UnpackingBook::Locate(const std::string& relativePath) const {
    std::lock_guard lock(mutex_);
    if (finished_) return {};
    const auto found = files_.find(relativePath);
    if (found == files_.end()) {
        // Links and directories come with the rest of the tree: an unknown
        // name may still appear until the unpacking ends.
        return surveyed_ ? Place{Place::Kind::Wait} : Place{};
    }
    const Entry& entry = found->second;
    if (entry.written) return {};
    if (!entry.file.storedOffset || mismatch_ == relativePath) return {Place::Kind::Wait};
    return {Place::Kind::Archive, *entry.file.storedOffset, entry.file.size, entry.file.crc};
}

void UnpackingBook::ServedMismatch(const std::string& relativePath) const {
    {
        std::lock_guard lock(mutex_);
        if (mismatch_) return;
        mismatch_ = relativePath;
    }
    if (notify_) notify_(Event::Mismatched);
}

std::optional<std::string> UnpackingBook::Mismatch() const {
    std::lock_guard lock(mutex_);
    return mismatch_;
}

}  // namespace brivane::web
