#include "FlipbookMeta.h"

#include <utility>

namespace brivane::document {

FlipbookMeta::FlipbookMeta(std::string fileUrl) : filePath(std::move(fileUrl)) {}

std::string FlipbookMeta::GetTitle() const { return {}; }
std::int64_t FlipbookMeta::GetAppVersion() const { return 1; }
bool FlipbookMeta::CheckIntegrity() const { return false; }

std::string ValidateFlipbookFile(const std::string&) { return "ERROR_NO_META"; }

}  // namespace brivane::document
