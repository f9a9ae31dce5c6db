#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
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

    // The parsed metadata document; absent (and logged) when unreadable.
    std::optional<nlohmann::json> LoadMetadata() const;
};

// "" (accepted), "ERROR_NO_META", "ERROR_APP_VER" or "ERROR_CORRUPTED".
std::string ValidateFlipbookFile(const std::string& fileUrl);

// First 41 lower-case hex digits of the SHA-256 of the text.
std::string ContentFingerprint(const std::string& fingerprintText);

}  // namespace brivane::document
