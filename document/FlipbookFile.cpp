#include "document/FlipbookFile.h"

#include "base/Diagnostics.h"
#include "base/DirectoryEntries.h"
#include "base/FileUrl.h"
#include "base/GraphemeCount.h"
#include "base/TreeCopier.h"
#include "base/TreeRemover.h"
#include "base/Unique.h"
#include "base/Utf8.h"
#include "document/DataDirectory.h"
#include "document/MetadataValue.h"
#include "document/ReaderConfiguration.h"
#include "document/WorkspaceClaim.h"
#include "document/WorkspaceRoot.h"
#include "document/archive/ArchiveExtractor.h"
#include "document/archive/ZipReader.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <utility>

namespace brivane::document {

FlipbookFile::FlipbookFile(std::string fileUrl) : filePath(std::move(fileUrl)) {}

// ---- Container operations ----

namespace {
// Real metadata is a few kilobytes; the bound keeps a hostile archive from
// making us allocate whatever it declares.
constexpr std::uint64_t METADATA_LIMIT = 16 * 1024 * 1024;
}  // namespace

std::optional<std::string> FlipbookFile::GetMetadataSource(const std::string& archiveUrl) const {
    const auto zip = ZipReader::Open(archiveUrl);
    if (!zip) return std::nullopt;
    const auto index = zip->Find(METADATA_FILE_NAME);
    if (!index) return std::nullopt;
    const auto content = zip->Read(*index, METADATA_LIMIT);
    if (!content) {
        Diagnostics::Line(content.Failure().message);
        return std::nullopt;
    }
    return DecodeUtf8Lossy(*content);
}

std::optional<std::string> FlipbookFile::GetPdfSize() const {
    const auto zip = ZipReader::Open(filePath);
    if (!zip) return std::nullopt;
    const auto index = zip->Find(PDF_FILE_NAME);
    if (!index) return std::nullopt;
    const auto size = zip->Size(*index);
    if (!size || *size == 0) return std::nullopt;
    return std::to_string(*size);
}

// ---- Workspace operations ----

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A directory's URL ends with "/" when the directory exists as it is formed.
std::string UrlOfPath(const std::string& path) {
    std::string url = FileUrlFromPath(path).value_or(std::string());
    if (!url.empty() && url.back() != '/' && IsDirectory(path)) url += '/';
    return url;
}

std::string StripTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// "Annual Report.final.flip" -> "Annual Report.final"
std::string BaseName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    std::string::size_type dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool MakeDirectory(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && IsDirectory(path));
}

// Held while a data directory is judged and written.
UniqueFd LockUnpacking(const std::string& workspacePath) {
    UniqueFd lock(open((workspacePath + "/" + WorkspaceClaim::UNPACK_LOCK_FILE).c_str(),
                       O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    while (lock && flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) return {};
    }
    return lock;
}

bool IsBookkeeping(const std::string& name) {
    for (const char* own : {WorkspaceClaim::IDENTITY_FILE, WorkspaceClaim::COMPLETE_FILE, WorkspaceClaim::LOCK_FILE,
                            WorkspaceClaim::UNPACK_LOCK_FILE})
        if (name == own) return true;
    return false;
}

// A fresh copy of the reader core; a data directory unpacked in full for
// this very file stays, so reading it again needs no unpacking.
bool ReplaceCore(const std::string& source, const WorkspaceClaim& claim) {
    UniqueFd target(open(claim.Path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!target) return false;
    const bool keepData = claim.IsComplete();
    if (!keepData) claim.MarkIncomplete();
    const auto present = DirectoryEntries::List(target.Get());
    if (!present) return false;
    for (const std::string& name : *present) {
        if (IsBookkeeping(name) || (keepData && name == "data")) continue;
        if (!TreeRemover::RemoveAt(target.Get(), name.c_str())) return false;
    }
    // Copied aside whole, then moved in piece by piece beside what stays.
    constexpr const char* STAGING = ".brivane-core";
    if (!TreeCopier::Copy(source, claim.Path() + "/" + STAGING)) return false;
    UniqueFd staged(openat(target.Get(), STAGING, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const auto wanted = staged ? DirectoryEntries::List(staged.Get()) : std::nullopt;
    if (!wanted) return false;
    for (const std::string& name : *wanted) {
        if (IsBookkeeping(name) || name == "data") continue;
        if (renameat(staged.Get(), name.c_str(), target.Get(), name.c_str()) != 0) return false;
    }
    return TreeRemover::RemoveAt(target.Get(), STAGING);
}

// The stored metadata copy, read as the archive's entry is: bounded the same
// way (a larger file is no copy we wrote) and decoded lossily, so that both
// sides of the change test and the configuration see the same text.
std::optional<std::string> ReadText(const std::string& path) {
    UniqueFd in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in || fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > METADATA_LIMIT)
        return std::nullopt;
    std::string bytes;
    char chunk[16384];
    for (;;) {
        const ssize_t n = read(in.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        // The file may have grown since it was measured.
        if (static_cast<std::uint64_t>(n) > METADATA_LIMIT - bytes.size()) return std::nullopt;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return DecodeUtf8Lossy(bytes);
}

}  // namespace

std::optional<FlipbookFile::Place> FlipbookFile::Locate(bool take) const {
    auto text = GetMetadataSource(filePath);
    if (!text) return std::nullopt;
    const auto meta = ParseMetadata(*text);
    if (!meta) {
        Diagnostics::Line("Error parsing metadata GetMetadataSource");
        return std::nullopt;
    }
    const auto id = MetadataValue(*meta)["id"].String();
    if (!id) return std::nullopt;
    auto archivePath = PathFromFileUrl(filePath);
    if (!archivePath) return std::nullopt;
    // A crafted id must not turn the workspace into some other directory.
    std::string name = BaseName(StripTrailingSlash(*archivePath)) + "-" + *id;
    if (!WorkspaceRoot::IsSingleComponent(name)) return std::nullopt;
    const auto identity = WorkspaceClaim::IdentityOf(*archivePath, *text);
    if (!identity) return std::nullopt;
    Place place;
    if (take) {
        const auto root = WorkspaceRoot::Ensure();
        if (!root) return std::nullopt;
        place.claim = WorkspaceClaim::Take(*root, name, *identity);
        if (!place.claim) return std::nullopt;
        place.path = place.claim->Path();
        // Said as it was before the claim made the directory.
        place.url = FileUrlFromPath(place.path).value_or(std::string());
        if (!place.url.empty() && !place.claim->Created()) place.url += '/';
    } else {
        const auto root = WorkspaceRoot::Locate();
        const auto path = root ? WorkspaceClaim::Predict(*root, name, *identity) : std::nullopt;
        if (!path) return std::nullopt;
        place.path = *path;
        place.url = UrlOfPath(place.path);
    }
    if (place.url.empty()) return std::nullopt;
    Diagnostics::Line(place.url);
    return place;
}

std::optional<std::string> FlipbookFile::GetWorkspaceURL() const {
    auto place = Locate(false);
    if (!place) return std::nullopt;
    return place->url;
}

std::optional<WorkspaceClaim> FlipbookFile::ClaimWorkspace() const {
    auto place = Locate(true);
    if (!place) return std::nullopt;
    return std::move(place->claim);
}

FlipbookFile::DataState FlipbookFile::ExamineDataDirectory(const std::string& dataPath) const {
    if (!Exists(dataPath)) return DataState::Missing;
    // Without the archive's metadata there is nothing to compare: keep what is there.
    const auto archived = GetMetadataSource(filePath);
    if (!archived) return DataState::Unchanged;
    const std::string storedPath = dataPath + "/" + METADATA_FILE_NAME;
    if (!Exists(storedPath)) return DataState::Incomplete;
    // An unreadable copy can't vouch for the tree: unpack afresh.
    const auto stored = ReadText(storedPath);
    if (stored && CountGraphemes(*stored) == CountGraphemes(*archived)) return DataState::Unchanged;
    return DataState::Changed;
}

Result<void, UnpackFailure> FlipbookFile::UnpackInto(const std::string& dataPath, UnpackListener* listener) const {
    if (!MakeDirectory(dataPath))
        return UnpackFailure(UnpackFailure::Cause::WriteFailed, "",
                             "cannot create " + dataPath + ": " + std::strerror(errno));
    const auto archivePath = PathFromFileUrl(filePath);
    if (!archivePath) return UnpackFailure(UnpackFailure::Cause::Damaged, "", "not a local file");
    return ArchiveExtractor::Unpack(*archivePath, dataPath, listener);
}

Result<void, UnpackFailure> FlipbookFile::ExtractZip(UnpackListener* listener) {
    using Cause = UnpackFailure::Cause;
    // The fixed line stays first; the reason follows on a line of its own.
    const auto fail = [](UnpackFailure failure) {
        Diagnostics::Line("Extract ZIP error");
        Diagnostics::Line(failure.Line());
        return failure;
    };
    const auto place = Locate(true);
    if (!place) return fail(UnpackFailure(Cause::Damaged, METADATA_FILE_NAME, "names no workspace"));
    const WorkspaceClaim& claim = *place->claim;
    const std::string dataPath = claim.Path() + "/data";
    const std::string dataUrl = UrlOfPath(dataPath);
    // Another process may unpack the same book: one at a time, the second
    // then finds the first's work complete.
    const UniqueFd unpacking = LockUnpacking(claim.Path());
    if (!unpacking) return fail(UnpackFailure(Cause::WriteFailed, "", "cannot lock " + claim.Path()));

    // Only a marker written after the last entry was checked vouches for the
    // tree; a crash or a cancelled unpacking leaves none.
    const DataState state = claim.IsComplete() ? ExamineDataDirectory(dataPath)
                            : Exists(dataPath) ? DataState::Incomplete
                                               : DataState::Missing;
    if (state == DataState::Unchanged) {
        tempPath = dataUrl;
        return {};
    }
    claim.MarkIncomplete();
    if (state != DataState::Missing && !TreeRemover::Remove(dataPath))
        return fail(UnpackFailure(Cause::WriteFailed, "", "cannot remove " + dataPath));
    if (auto unpacked = UnpackInto(dataPath, listener); !unpacked) return fail(std::move(unpacked.Failure()));
    if (!claim.MarkComplete()) return fail(UnpackFailure(Cause::WriteFailed, "", "cannot mark " + claim.Path()));
    Diagnostics::Line(state == DataState::Missing ? dataUrl : "replace tempd dir:" + dataUrl);
    tempPath = dataUrl;
    return {};
}

std::optional<std::string> FlipbookFile::CreateCore() {
    const auto place = Locate(true);
    if (!place) return std::nullopt;
    if (!InstallCore(*place->claim)) return std::nullopt;
    return place->url;
}

std::optional<std::string> FlipbookFile::InstallCore(const WorkspaceClaim& claim) const {
    const std::string& target = claim.Path();
    Diagnostics::Line("CreateCore inner");
    std::string source = DataDirectory::Path();
    Diagnostics::Line(source);
    Diagnostics::Line(target);
    // Another window shows the core there now: it stays as it is.
    if (!claim.SharedWithOthers() && !ReplaceCore(source, claim)) Diagnostics::Line("Error CreateCore");
    return UrlOfPath(target);
}

std::optional<nlohmann::json> FlipbookFile::GetReaderConfiguration() const {
    if (!tempPath) {
        Diagnostics::Line("nil tempPath");
        return std::nullopt;
    }
    auto dataPath = PathFromFileUrl(*tempPath);
    auto text = dataPath ? ReadText(StripTrailingSlash(*dataPath) + "/" + METADATA_FILE_NAME) : std::nullopt;
    if (!text) return std::nullopt;
    return ReaderConfiguration::Build(*text, PDF_FILE_NAME,
                                      [this](const std::string& relative) { return GetTempPathURL(relative); });
}

std::string FlipbookFile::GetTempPathURL(const std::string& relativePath) const {
    if (!tempPath) return {};
    if (relativePath.empty()) return *tempPath;
    auto dataPath = PathFromFileUrl(*tempPath);
    if (!dataPath) return {};
    return UrlOfPath(StripTrailingSlash(*dataPath) + "/" + relativePath);
}

}  // namespace brivane::document
