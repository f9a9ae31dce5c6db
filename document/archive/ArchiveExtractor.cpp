#include "document/archive/ArchiveExtractor.h"

#include "base/Unique.h"
#include "document/archive/ArchiveSource.h"
#include "document/archive/ArchiveSurvey.h"
#include "document/archive/CentralDirectory.h"
#include "document/archive/DirectoryCursor.h"
#include "document/archive/EntryCopier.h"
#include "document/archive/LinkGuard.h"
#include "document/archive/StoredData.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <thread>

namespace brivane::document {

namespace {

constexpr std::uint64_t MAX_LINK_TARGET = 4095;
constexpr int WRITER_NICE = 10;
constexpr int IO_CLASS_SHIFT = 13;
constexpr long WRITER_IO_PRIORITY = (2 << IO_CLASS_SHIFT) | 7;  // best effort, lowest level

using Cause = UnpackFailure::Cause;

// A refused write: an item already in place, or what the system said.
UnpackFailure WriteFailure(const std::string& what, const SurveyedEntry& entry) {
    if (errno == EEXIST) return UnpackFailure(Cause::AlreadyExists, entry.path.Joined());
    return UnpackFailure(Cause::WriteFailed, entry.path.Joined(), what + ": " + std::strerror(errno));
}

UnpackFailure Outside(const std::string& joined, const std::string& target) {
    return UnpackFailure(Cause::LeadsOutside, joined, "link to " + target);
}

// Where a file a reader may be served from the archive lies, by entry index.
struct StoredSpan {
    std::uint64_t offset = 0;
    std::uint32_t crc = 0;
};
struct Served {
    int archiveFd = -1;
    std::vector<std::optional<StoredSpan>> spans;
};

// Writes entries of one thread; the first failure of either thread stops both.
class Writer {
public:
    Writer(zip_t* archive, int rootFd, std::atomic<bool>& failed, UnpackListener* listener, const Served& served)
        : archive_(archive), rootFd_(rootFd), cursor_(rootFd), failed_(failed), listener_(listener), served_(served) {
        if (listener_) {
            copier_.copied = [listener](std::uint64_t bytes) { listener->Copied(bytes); };
            copier_.cancelled = [listener] { return listener->Cancelled(); };
        }
    }

    Result<void, UnpackFailure> Write(const SurveyedEntry& entry) {
        const auto& parts = entry.path.Components();
        if (parts.empty()) return {};  // "./": the destination itself
        int parent = cursor_.Enter(parts, parts.size() - 1);
        if (parent < 0) return WriteFailure("cannot enter parent directory", entry);
        const char* name = parts.back().c_str();
        switch (entry.kind) {
        case SurveyedEntry::Kind::Directory:
            return WriteDirectory(entry, parent, name);
        case SurveyedEntry::Kind::Symlink:
            return WriteSymlink(entry, parent, name);
        case SurveyedEntry::Kind::File:
            break;
        }
        if (auto written = WriteFile(entry, parent, name); !written) return written;
        if (listener_) listener_->Written(entry.path.Joined());
        return {};
    }

    // Takes batches from the shared queue until it is empty or a thread failed.
    Result<void, UnpackFailure> WriteQueued(const std::vector<std::vector<const SurveyedEntry*>>& queue,
                                            std::atomic<size_t>& next) {
        for (size_t i = next++; i < queue.size() && !failed_; i = next++) {
            for (const SurveyedEntry* entry : queue[i]) {
                if (failed_) break;
                auto written = listener_ && listener_->Cancelled()
                                   ? Result<void, UnpackFailure>(UnpackFailure(Cause::Cancelled, ""))
                                   : Write(*entry);
                if (!written) {
                    failed_ = true;
                    return written;
                }
            }
        }
        return {};
    }

    std::vector<std::string> links;  // relative paths of the links made

private:
    Result<void, UnpackFailure> WriteFile(const SurveyedEntry& entry, int parent, const char* name) {
        const mode_t mode = 0644;  // never executable: the desktop must not run what a flipbook carries
        UniqueFd out(openat(parent, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!out) return WriteFailure("cannot create file", entry);
        const auto& span = entry.index < served_.spans.size() ? served_.spans[entry.index] : std::nullopt;
        auto copied = span ? copier_.StoredToFile(served_.archiveFd, span->offset, entry.size, span->crc, out.Get())
                           : copier_.ToFile(archive_, entry.index, entry.size, out.Get());
        if (!copied) {
            // Damaged content is not left behind looking like the real file.
            unlinkat(parent, name, 0);
            copied.Failure().entry = entry.path.Joined();
            return copied;
        }
        return {};
    }

    Result<void, UnpackFailure> WriteDirectory(const SurveyedEntry& entry, int parent, const char* name) {
        if (mkdirat(parent, name, 0755) == 0) return {};
        struct stat st;
        if (errno == EEXIST && fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) return {};
        return WriteFailure("cannot create directory", entry);
    }

    Result<void, UnpackFailure> WriteSymlink(const SurveyedEntry& entry, int parent, const char* name) {
        if (entry.size > MAX_LINK_TARGET)
            return UnpackFailure(Cause::Damaged, entry.path.Joined(), "link target too long");
        auto target = copier_.ToString(archive_, entry.index, entry.size);
        if (!target) {
            target.Failure().entry = entry.path.Joined();
            return std::move(target.Failure());
        }
        if (!entry.path.LinkTargetStaysInside(*target)) return Outside(entry.path.Joined(), *target);
        if (symlinkat(target->c_str(), parent, name) != 0) return WriteFailure("cannot create link", entry);
        std::string joined = entry.path.Joined();
        links.push_back(joined);
        if (LinkGuard::Check(rootFd_, joined) == LinkGuard::Verdict::Outside) {
            unlinkat(parent, name, 0);
            links.pop_back();
            return Outside(joined, *target);
        }
        return {};
    }

    zip_t* archive_;
    int rootFd_;
    DirectoryCursor cursor_;
    EntryCopier copier_;
    std::atomic<bool>& failed_;
    UnpackListener* listener_;
    const Served& served_;
};

// Links can be composed after the fact (a later link changes where an
// earlier one leads), so every link is judged again on the finished tree.
Result<void, UnpackFailure> RecheckLinks(int rootFd, const std::vector<std::string>& links) {
    Result<void, UnpackFailure> checked;
    for (const std::string& link : links) {
        if (LinkGuard::Check(rootFd, link) != LinkGuard::Verdict::Outside) continue;
        unlinkat(rootFd, link.c_str(), 0);
        if (checked) checked = UnpackFailure(Cause::LeadsOutside, link, "through the links beside it");
    }
    return checked;
}

}  // namespace

namespace {

using Batches = std::vector<std::vector<const SurveyedEntry*>>;

// Every entry checked before the first write, against the room on the disk
// and the archive's own size.
Result<std::vector<SurveyedEntry>, UnpackFailure> Survey(zip_t* archive, int archiveFd, int root,
                                                         const std::vector<CentralDirectory::Record>& records) {
    struct stat archiveStat;
    struct statvfs disk;
    if (fstat(archiveFd, &archiveStat) != 0 || fstatvfs(root, &disk) != 0)
        return UnpackFailure(Cause::WriteFailed, "",
                             "cannot measure archive or destination: " + std::string(std::strerror(errno)));
    const ArchiveSurvey::Limits limits{static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize,
                                       static_cast<std::uint64_t>(archiveStat.st_size)};
    return ArchiveSurvey::Take(archive, CentralDirectory::Names(records), limits);
}

// The regular files about to be written, with where the content of each
// stored one already lies in the archive; `served` learns the same.
std::vector<ArchivedFile> ArchivedFiles(zip_t* archive, int archiveFd, const std::vector<SurveyedEntry>& entries,
                                        const std::vector<CentralDirectory::Record>& records, Served& served) {
    struct stat archiveStat;
    const std::uint64_t archiveSize =
        fstat(archiveFd, &archiveStat) == 0 ? static_cast<std::uint64_t>(archiveStat.st_size) : 0;
    served = {archiveFd, std::vector<std::optional<StoredSpan>>(records.size())};
    std::vector<ArchivedFile> files;
    for (const SurveyedEntry& e : entries) {
        if (e.kind != SurveyedEntry::Kind::File) continue;
        const CentralDirectory::Record& record = records[e.index];
        const auto offset = StoredData::Offset(archiveFd, archiveSize, archive, e.index, record);
        if (offset) served.spans[e.index] = StoredSpan{*offset, record.crc};
        files.push_back({e.path.Joined(), e.size, offset, record.crc});
    }
    return files;
}

// For this thread alone, and never upwards: a reader renders on the same
// cores meanwhile. Where the system refuses, writing goes on as it was.
void YieldToReader() {
    const pid_t self = gettid();
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(self));
    if (errno != 0 || nice < WRITER_NICE) setpriority(PRIO_PROCESS, static_cast<id_t>(self), WRITER_NICE);
    constexpr int WHO_PROCESS = 1, CLASS_IDLE = 3;
    const long io = syscall(SYS_ioprio_get, WHO_PROCESS, self);
    if (io < 0 || (io >> IO_CLASS_SHIFT) != CLASS_IDLE) syscall(SYS_ioprio_set, WHO_PROCESS, self, WRITER_IO_PRIORITY);
}

// Without conflicting names the order of writing can't change the outcome:
// large entries start first, and threads share the rest in batches of one
// directory each (creating in one directory from two threads only makes them
// wait for each other's lock).
Batches ByDirectory(const std::vector<SurveyedEntry>& entries) {
    Batches batches;
    std::map<std::string, std::vector<const SurveyedEntry*>> byDirectory;
    for (const SurveyedEntry& e : entries) {
        if (e.kind == SurveyedEntry::Kind::File && e.size >= ArchiveExtractor::LARGE_ENTRY) {
            batches.push_back({&e});
        } else {
            const std::string joined = e.path.Joined();
            const auto slash = joined.find_last_of('/');
            byDirectory[slash == std::string::npos ? std::string() : joined.substr(0, slash)].push_back(&e);
        }
    }
    for (auto& [directory, batch] : byDirectory) batches.push_back(std::move(batch));
    return batches;
}

Batches InArchiveOrder(const std::vector<SurveyedEntry>& entries) {
    Batches batches(1);
    for (const SurveyedEntry& e : entries) batches.back().push_back(&e);
    return batches;
}

std::uint64_t FileBytes(const std::vector<SurveyedEntry>& entries) {
    std::uint64_t bytes = 0;
    for (const SurveyedEntry& e : entries)
        if (e.kind == SurveyedEntry::Kind::File) bytes += e.size;
    return bytes;
}

// Each thread reads through its own archive handle; the first error stops all.
Result<void, UnpackFailure> WriteAll(UniqueZip first, int archiveFd, int root, const Batches& batches, unsigned threads,
                                     UnpackListener* listener, const Served& served) {
    std::vector<UniqueZip> handles(threads);
    handles[0] = std::move(first);
    for (unsigned t = 1; t < threads; ++t) {
        auto opened = ArchiveSource::Open(archiveFd);
        if (!opened) return UnpackFailure(Cause::Damaged, "", opened.Failure().message);
        handles[t] = std::move(*opened);
    }
    std::atomic<bool> failed{false};
    std::atomic<size_t> next{0};
    std::vector<Result<void, UnpackFailure>> outcomes(threads);
    std::vector<std::vector<std::string>> links(threads);
    auto work = [&](unsigned t) {
        if (listener) YieldToReader();
        Writer writer(handles[t].get(), root, failed, listener, served);
        outcomes[t] = writer.WriteQueued(batches, next);
        links[t] = std::move(writer.links);
    };
    // With a listener somebody reads while we write: the caller only waits,
    // so its own priority stays untouched.
    std::vector<std::thread> workers;
    for (unsigned t = listener ? 0 : 1; t < threads; ++t) workers.emplace_back(work, t);
    if (!listener) work(0);
    for (std::thread& w : workers) w.join();

    // Even after a failure: the links already made must not lead out.
    Result<void, UnpackFailure> linksChecked;
    for (const auto& made : links) {
        if (auto checked = RecheckLinks(root, made); !checked && linksChecked) linksChecked = std::move(checked);
    }
    for (auto& written : outcomes) {
        if (!written) return std::move(written);
    }
    return linksChecked;
}

}  // namespace

Result<void, UnpackFailure> ArchiveExtractor::Unpack(const std::string& archivePath, const std::string& destination,
                                                     UnpackListener* listener) {
    UniqueFd archiveFd(open(archivePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!archiveFd)
        return UnpackFailure(Cause::Damaged, "", "cannot open archive: " + std::string(std::strerror(errno)));
    UniqueFd root(open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!root)
        return UnpackFailure(Cause::WriteFailed, "", "cannot open destination: " + std::string(std::strerror(errno)));
    auto archive = ArchiveSource::Open(archiveFd.Get());
    if (!archive) return UnpackFailure(Cause::Damaged, "", archive.Failure().message);
    const auto records = CentralDirectory::Matching(archiveFd.Get(), archive->get());
    if (!records) return UnpackFailure(Cause::Damaged, "", records.Failure().message);
    const auto entries = Survey(archive->get(), archiveFd.Get(), root.Get(), *records);
    if (!entries) return entries.Failure();
    if (listener && listener->Cancelled()) return UnpackFailure(Cause::Cancelled, "");

    const bool anyOrder = !ArchiveSurvey::HasConflicts(*entries);
    Served served;
    if (listener && anyOrder)
        listener->Surveyed(ArchivedFiles(archive->get(), archiveFd.Get(), *entries, *records, served));
    if (listener) listener->Planned(FileBytes(*entries));
    const bool parallel = anyOrder && entries->size() > 1;
    const Batches batches = parallel ? ByDirectory(*entries) : InArchiveOrder(*entries);
    const unsigned threads = parallel ? std::clamp(std::thread::hardware_concurrency(), 1u, MAX_THREADS) : 1u;
    return WriteAll(std::move(*archive), archiveFd.Get(), root.Get(), batches, threads, listener, served);
}

}  // namespace brivane::document
