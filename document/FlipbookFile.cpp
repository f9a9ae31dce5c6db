#include "FlipbookFile.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace brivane::document {

FlipbookFile::FlipbookFile(std::string fileUrl) : filePath(std::move(fileUrl)) {}

// ---- Container operations ----

std::optional<std::string> FlipbookFile::GetMetadataSource(const std::string&) const { return std::nullopt; }

std::optional<std::string> FlipbookFile::GetPdfSize() const { return std::nullopt; }

// ---- Workspace operations ----

std::optional<std::string> FlipbookFile::GetWorkspaceURL() const { return std::nullopt; }

void FlipbookFile::ExtractZip() {}

std::optional<std::string> FlipbookFile::CreateCore() { return std::nullopt; }

std::optional<nlohmann::json> FlipbookFile::GetReaderConfiguration() const { return std::nullopt; }

std::string FlipbookFile::GetTempPathURL(const std::string&) const { return {}; }

}  // namespace brivane::document
