#include "FlipbookFile.h"

#include "Diagnostics.h"
#include "Utf8.h"
#include "ZipReader.h"

#include <nlohmann/json.hpp>

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

std::optional<std::string> FlipbookFile::GetWorkspaceURL() const { return std::nullopt; }

void FlipbookFile::ExtractZip() {}

std::optional<std::string> FlipbookFile::CreateCore() { return std::nullopt; }

std::optional<nlohmann::json> FlipbookFile::GetReaderConfiguration() const { return std::nullopt; }

std::string FlipbookFile::GetTempPathURL(const std::string&) const { return {}; }

}  // namespace brivane::document
