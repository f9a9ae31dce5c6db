#pragma once

#include "base/Result.h"
#include "document/WorkspaceClaim.h"
#include "document/archive/UnpackFailure.h"
#include "document/archive/UnpackListener.h"

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>

namespace brivane::document {

// A flipbook file (a ZIP archive) and its workspace on disk. Made for one
// call and dropped; it never holds the archive open between calls.
// All URLs are absolute file URLs as g_filename_to_uri() writes them.
class FlipbookFile {
public:
    explicit FlipbookFile(std::string fileUrl);

    const std::string METADATA_FILE_NAME = "metadata.brivane";
    const std::string PDF_FILE_NAME = "flipbook.pdf";
    std::string filePath;                 // the archive
    std::optional<std::string> tempPath;  // the data directory, once ExtractZip succeeded

    // Installs a fresh copy of the reader core in the workspace directory,
    // unless a window shows from there. A data directory unpacked in full for
    // this very file stays.
    std::optional<std::string> CreateCore();
    // Makes sure the data directory holds the unpacked archive and sets
    // tempPath; a failure is logged and says why, for the reader. The listener
    // hears of an unpacking only: nothing when the data directory is reused
    // as it is.
    Result<void, UnpackFailure> ExtractZip(UnpackListener* listener = nullptr);
    // Holds the workspace for a window that shows it, so that no other file
    // and no clean-up takes it meanwhile.
    std::optional<WorkspaceClaim> ClaimWorkspace() const;
    // CreateCore for a workspace already held.
    std::optional<std::string> InstallCore(const WorkspaceClaim& claim) const;
    // Uncompressed size of the PDF entry in decimal digits; absent for 0.
    std::optional<std::string> GetPdfSize() const;
    // The metadata entry of the archive at archiveUrl, as text.
    std::optional<std::string> GetMetadataSource(const std::string& archiveUrl) const;
    std::optional<nlohmann::json> GetReaderConfiguration() const;
    std::optional<std::string> GetWorkspaceURL() const;
    std::string GetTempPathURL(const std::string& relativePath) const;

private:
    enum class DataState {
        Missing,     // nothing there yet: unpack
        Unchanged,   // reuse as it is
        Incomplete,  // not vouched for, or no metadata copy: remove, then unpack
        Changed,     // metadata differs in length: remove, then unpack
    };
    struct Place {
        std::string path, url;
        std::optional<WorkspaceClaim> claim;  // when taken
    };
    // The workspace of this file, chosen (take) or only foreseen.
    std::optional<Place> Locate(bool take) const;
    DataState ExamineDataDirectory(const std::string& dataPath) const;
    Result<void, UnpackFailure> UnpackInto(const std::string& dataPath, UnpackListener* listener) const;
};

}  // namespace brivane::document
