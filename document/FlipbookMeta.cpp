#include "document/FlipbookMeta.h"

#include "base/Diagnostics.h"
#include "document/FlipbookFile.h"
#include "document/MetadataValue.h"

#include <openssl/evp.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <utility>

namespace brivane::document {

FlipbookMeta::FlipbookMeta(std::string fileUrl) : filePath(std::move(fileUrl)) {}

std::optional<nlohmann::json> FlipbookMeta::LoadMetadata() const {
    const auto source = FlipbookFile(filePath).GetMetadataSource(filePath);
    if (!source) return std::nullopt;
    auto doc = ParseMetadata(*source);
    if (!doc) Diagnostics::Line("Error parsing metadata GetMetadataSource");
    return doc;
}

std::string FlipbookMeta::GetTitle() const {
    const auto doc = LoadMetadata();
    if (!doc) return {};
    const MetadataValue design = MetadataValue(*doc)["design"];
    std::string result = design["title"].Text();
    const std::string subtitle = design["subtitle"].Text();
    if (!subtitle.empty()) {
        if (!result.empty()) result += " - ";
        result += subtitle;
    }
    return result;
}

std::int64_t FlipbookMeta::GetAppVersion() const {
    const auto doc = LoadMetadata();
    if (!doc) return 1;
    return MetadataValue(*doc)["app"].Int().value_or(1);
}

bool FlipbookMeta::CheckIntegrity() const {
    const auto doc = LoadMetadata();
    const auto pdfSize = FlipbookFile(filePath).GetPdfSize();
    if (!pdfSize || !doc) return false;
    const MetadataValue meta(*doc);
    const auto width = meta["width"].Int();
    if (!width) return false;
    const auto height = meta["height"].Int();
    if (!height) return false;
    const auto pages = meta["num_pages"].Int();
    if (!pages) return false;
    const std::string fingerprint = ContentFingerprint(FingerprintText(*width, *height, *pages, *pdfSize));
    auto id = meta["id"].String();
    if (!id) return false;
    // ASCII folding is enough: no other character lower-cases to a hex digit.
    std::transform(id->begin(), id->end(), id->begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return *id == fingerprint;
}

CheckResult ValidateFlipbookFile(const std::string& fileUrl) {
    const FlipbookMeta meta(fileUrl);
    if (!meta.LoadMetadata()) return CheckResult::NoMetadata;
    if (meta.GetAppVersion() > SUPPORTED_APP_VERSION) return CheckResult::TooNew;
    if (!meta.CheckIntegrity()) return CheckResult::Corrupted;
    return CheckResult::Accepted;
}

std::string FingerprintText(std::int64_t width, std::int64_t height, std::int64_t pages, std::string_view pdfSize) {
    // A negative number brings its own '-': "800--1-0-1048576".
    return std::to_string(width) + "-" + std::to_string(height) + "-" + std::to_string(pages) + "-" +
           std::string(pdfSize);
}

std::string ContentFingerprint(const std::string& fingerprintText) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(fingerprintText.data(), fingerprintText.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        return {};
    static constexpr char HEX[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += HEX[digest[i] >> 4];
        hex += HEX[digest[i] & 0xF];
    }
    return hex.substr(0, 41);
}

}  // namespace brivane::document
