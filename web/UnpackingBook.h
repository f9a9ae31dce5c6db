#pragma once

#include "document/archive/UnpackListener.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivane::web {

// A book whose page reads it while its archive is still being written out:
// which files the disk can answer for already, and where the others lie in
// the archive. Written to by the unpacking threads, read on the main thread.
class UnpackingBook : public document::UnpackListener {
public:
    enum class Event { Surveyed, Written, Finished, Mismatched };

    // archivePath: the archive itself (no link on the way); dataPath: the
    // directory it is unpacked into. notify runs on the thread that caused
    // the event, after the state changed.
    UnpackingBook(std::string archivePath, std::string dataPath, std::function<void(Event)> notify);

    void Surveyed(const std::vector<document::ArchivedFile>& files) override;
    void Written(const std::string& path) override;
    void Planned(std::uint64_t bytes) override;
    void Copied(std::uint64_t bytes) override;
    // The unpacking ended, either way: from now on the disk answers alone.
    void Finish();
    // Nobody waits for the rest: the unpacker stops at its next piece.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const override { return cancelled_; }

    // The page was served a whole stored entry from the archive and its bytes
    // did not have the entry's CRC-32. From any thread; the first one counts,
    // and that entry is never served from the archive again.
    void ServedMismatch(const std::string& relativePath) const;
    std::optional<std::string> Mismatch() const;

    struct Place {
        enum class Kind {
            Disk,     // ask the disk (written, finished, or never in the archive)
            Archive,  // the bytes lie unchanged in the archive at offset
            Wait,     // not written yet and only there compressed: ask again later
        } kind = Kind::Disk;
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
        std::uint32_t crc = 0;  // what the size bytes at offset must sum to
    };
    // Where the bytes of path (relative to the data directory, joined with
    // "/") are to be found now.
    Place Locate(const std::string& relativePath) const;

    // Bytes written so far and in all; absent before the plan is known.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> Progress() const;

    const std::string& ArchivePath() const { return archivePath_; }
    const std::string& DataPath() const { return dataPath_; }

private:
    const std::string archivePath_;
    const std::string dataPath_;
    const std::function<void(Event)> notify_;
    mutable std::mutex mutex_;
    // Counted from the writing threads, read by the progress timer.
    std::atomic<std::uint64_t> planned_{0};
    std::atomic<std::uint64_t> copied_{0};
    std::atomic<bool> hasPlan_{false};
    std::atomic<bool> cancelled_{false};
    struct Entry {
        document::ArchivedFile file;
        bool written = false;
    };
    std::map<std::string, Entry> files_;
    bool surveyed_ = false;
    bool finished_ = false;
    // Told by whoever serves the page, which holds the book read-only.
    mutable std::optional<std::string> mismatch_;
};

}  // namespace brivane::web
