#include "ReaderConfiguration.h"

#include "BuildConfig.h"

namespace brivane::document {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

}  // namespace

std::string ReaderConfiguration::RewriteAssetPaths(std::string metadataText, const UrlOf& urlOf) {
    for (const char* tree : {"user", "backgrounds", "toc"})
        ReplaceAll(metadataText, std::string("files\\/") + tree, urlOf(std::string("files/") + tree));
    return metadataText;
}

nlohmann::json ReaderConfiguration::Build(const std::string& metadataText, const std::string& pdfFileName,
                                          const UrlOf& urlOf) {
    nlohmann::json metadata = nlohmann::json::parse(RewriteAssetPaths(metadataText, urlOf), nullptr, false);
    if (metadata.is_discarded()) metadata = nullptr;
    nlohmann::json configuration = {
        {"path", urlOf(pdfFileName)},
        {"thumbnailPath", urlOf("")},
        {"tocPath", urlOf("files/toc/")},
        {"apiEndpoint", SERVICE_BASE_URL},
        {"appVersion", 1},
        {"appClient", APP_CLIENT},
    };
    configuration["metadata"] = std::move(metadata);
    return configuration;
}

}  // namespace brivane::document
