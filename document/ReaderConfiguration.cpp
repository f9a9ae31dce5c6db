#include "document/ReaderConfiguration.h"

#include "document/BuildConfig.h"
#include "document/MetadataValue.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brivane::document {

std::string ReaderConfiguration::RewriteAssetPaths(std::string_view metadataText, const UrlOf& urlOf) {
    // The three references never overlap one another and a replacement (a file
    // URL, which holds no backslash) cannot complete one, so a single pass
    // gives what replacing each of them in turn would.
    static constexpr std::string_view PREFIX = "files\\/";
    const std::array<std::pair<std::string_view, std::string>, 3> trees = {{
        {"user", urlOf("files/user")},
        {"backgrounds", urlOf("files/backgrounds")},
        {"toc", urlOf("files/toc")},
    }};
    std::string out;
    out.reserve(metadataText.size());
    std::size_t copied = 0;
    for (std::size_t pos = metadataText.find(PREFIX); pos != std::string_view::npos;
         pos = metadataText.find(PREFIX, pos)) {
        const std::string_view rest = metadataText.substr(pos + PREFIX.size());
        const auto tree =
            std::find_if(trees.begin(), trees.end(), [&](const auto& t) { return rest.starts_with(t.first); });
        if (tree == trees.end()) {
            ++pos;
            continue;
        }
        out.append(metadataText.substr(copied, pos - copied));
        out += tree->second;
        pos += PREFIX.size() + tree->first.size();
        copied = pos;
    }
    out.append(metadataText.substr(copied));
    return out;
}

nlohmann::json ReaderConfiguration::Build(const std::string& metadataText, const std::string& pdfFileName,
                                          const UrlOf& urlOf) {
    nlohmann::json configuration = {
        {"path", urlOf(pdfFileName)},
        {"thumbnailPath", urlOf("")},
        {"tocPath", urlOf("files/toc/")},
        {"apiEndpoint", SERVICE_BASE_URL},
        {"appVersion", 1},
        {"appClient", APP_CLIENT},
    };
    configuration["metadata"] = ParseJson(RewriteAssetPaths(metadataText, urlOf)).value_or(nullptr);
    return configuration;
}

std::string ReaderConfiguration::Text(const nlohmann::json& configuration) {
    return configuration.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace brivane::document
