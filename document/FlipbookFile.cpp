#include "FlipbookFile.h"

#include "ArchiveExtractor.h"
#include "DataDirectory.h"
#include "Diagnostics.h"
#include "FileUrl.h"
#include "GraphemeCount.h"
#include "MetadataValue.h"
#include "ReaderConfiguration.h"
#include "TreeCopier.h"
#include "TreeRemover.h"
#include "Unique.h"
#include "Utf8.h"
#include "WorkspaceRoot.h"
#include "ZipReader.h"

#include <fcntl.h>
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
constexpr std::uint64_t kMetadataLimit = 16 * 1024 * 1024;
}  // namespace

std::optional<std::string> FlipbookFile::GetMetadataSource(const std::string& archiveUrl) const {
    const auto zip = ZipReader::Open(archiveUrl);
    if (!zip) return std::nullopt;
    const auto index = zip->Find(METADATA_FILE_NAME);
    if (!index) return std::nullopt;
    auto content = zip->Read(*index, kMetadataLimit);
    if (!content.bytes) {
        Diagnostics::Line(content.error);
        return std::nullopt;
    }
    return DecodeUtf8Lossy(*content.bytes);
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

// The stored metadata copy, read as the archive's entry is: bounded the same
// way (a larger file is no copy we wrote) and decoded lossily, so that both
// sides of the change test and the configuration see the same text.
std::optional<std::string> ReadText(const std::string& path) {
    UniqueFd in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in || fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > kMetadataLimit)
        return std::nullopt;
    std::string bytes;
    char chunk[16384];
    for (;;) {
        const ssize_t n = read(in.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        // The file may have grown since it was measured.
        if (static_cast<std::uint64_t>(n) > kMetadataLimit - bytes.size()) return std::nullopt;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return DecodeUtf8Lossy(bytes);
}

}  // namespace

std::optional<std::string> FlipbookFile::GetWorkspaceURL() const {
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
    auto root = WorkspaceRoot::Locate();
    if (!root) return std::nullopt;
    std::string url = UrlOfPath(*root + "/" + name);
    if (url.empty()) return std::nullopt;
    Diagnostics::Line(url);
    return url;
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

std::optional<UnpackFailure> FlipbookFile::UnpackInto(const std::string& workspacePath, const std::string& dataPath,
                                                      UnpackListener* listener) const {
    if (!WorkspaceRoot::Ensure() || !MakeDirectory(workspacePath) || !MakeDirectory(dataPath))
        return UnpackFailure(UnpackFailure::Cause::WriteFailed, "",
                             "cannot create " + dataPath + ": " + std::strerror(errno));
    const auto archivePath = PathFromFileUrl(filePath);
    if (!archivePath) return UnpackFailure(UnpackFailure::Cause::Damaged, "", "not a local file");
    return ArchiveExtractor::Unpack(*archivePath, dataPath, listener);
}

void FlipbookFile::ExtractZip(UnpackListener* listener) {
    using Cause = UnpackFailure::Cause;
    unpackFailure.reset();
    // The fixed line stays first; the reason follows on a line of its own.
    const auto fail = [this](UnpackFailure failure) {
        Diagnostics::Line("Extract ZIP error");
        Diagnostics::Line(failure.Line());
        unpackFailure = std::move(failure);
    };
    const auto workspaceUrl = GetWorkspaceURL();
    const auto workspace = workspaceUrl ? PathFromFileUrl(*workspaceUrl) : std::nullopt;
    if (!workspace) return fail(UnpackFailure(Cause::Damaged, METADATA_FILE_NAME, "names no workspace"));
    const std::string workspacePath = StripTrailingSlash(*workspace);
    const std::string dataPath = workspacePath + "/data";
    const std::string dataUrl = UrlOfPath(dataPath);

    std::string unpackedLine;
    switch (ExamineDataDirectory(dataPath)) {
    case DataState::Unchanged:
        break;
    case DataState::Missing:
        unpackedLine = dataUrl;
        break;
    case DataState::Changed:
        if (!TreeRemover::Remove(dataPath))
            return fail(UnpackFailure(Cause::WriteFailed, "", "cannot remove " + dataPath));
        [[fallthrough]];
    case DataState::Incomplete:
        unpackedLine = "replace tempd dir:" + dataUrl;
        break;
    }
    if (!unpackedLine.empty()) {
        if (auto failure = UnpackInto(workspacePath, dataPath, listener)) return fail(std::move(*failure));
        Diagnostics::Line(unpackedLine);
    }
    tempPath = dataUrl;
}

std::optional<std::string> FlipbookFile::CreateCore() {
    auto workspaceUrl = GetWorkspaceURL();
    auto workspace = workspaceUrl ? PathFromFileUrl(*workspaceUrl) : std::nullopt;
    if (!workspace) return std::nullopt;
    std::string target = StripTrailingSlash(*workspace);
    Diagnostics::Line("CreateCore inner");
    std::string source = DataDirectory::Path();
    Diagnostics::Line(source);
    Diagnostics::Line(target);
    bool ok = WorkspaceRoot::Ensure() && TreeRemover::Remove(target) && TreeCopier::Copy(source, target);
    if (!ok) Diagnostics::Line("Error CreateCore");
    return workspaceUrl;
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
