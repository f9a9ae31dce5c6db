#pragma once

#include "document/CheckResult.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// The file check: metadata readable, format version, then content fingerprint.
CheckResult ValidateFlipbookFile(const std::string& fileUrl);

// "800-600-20-1048576": the text the content fingerprint is taken of.
std::string FingerprintText(std::int64_t width, std::int64_t height, std::int64_t pages, std::string_view pdfSize);
// First 41 lower-case hex digits of the SHA-256 of the text.
std::string ContentFingerprint(const std::string& fingerprintText);

}  // namespace brivane::document
