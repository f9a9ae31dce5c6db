#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace brivane::document {

// The reader page's configuration, built from the unpacked metadata text.
class ReaderConfiguration {
public:
    // Maps a path relative to the data directory to its file URL text.
    using UrlOf = std::function<std::string(const std::string& relativePath)>;

    // Points the escaped asset references ("files\/user", ...) at the data
    // directory's asset trees, in one pass over the text.
    static std::string RewriteAssetPaths(std::string_view metadataText, const UrlOf& urlOf);

    // The seven members; "metadata" is null when the rewritten text is not JSON.
    static nlohmann::json Build(const std::string& metadataText, const std::string& pdfFileName, const UrlOf& urlOf);

    // The configuration as the page receives it: compact JSON, never throwing
    // (text that is not UTF-8 becomes U+FFFD).
    static std::string Text(const nlohmann::json& configuration);
};

}  // namespace brivane::document
