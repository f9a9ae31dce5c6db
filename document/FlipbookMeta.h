#pragma once

#include <cstdint>
#include <string>

namespace brivane::document {

inline constexpr std::int64_t SUPPORTED_APP_VERSION = 1;

// Reads the metadata document of a flipbook file afresh on every call.
class FlipbookMeta {
public:
    explicit FlipbookMeta(std::string fileUrl);

    std::string filePath;

    std::string GetTitle() const;
    std::int64_t GetAppVersion() const;
    bool CheckIntegrity() const;
};

// "" (accepted), "ERROR_NO_META", "ERROR_APP_VER" or "ERROR_CORRUPTED".
std::string ValidateFlipbookFile(const std::string& fileUrl);

}  // namespace brivane::document
