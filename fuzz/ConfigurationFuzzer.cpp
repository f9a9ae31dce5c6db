// Metadata text as the unpacked copy: the asset-path rewrite against a
// reference that replaces the three references one after another, then the
// configuration built from it and written out as the page receives it.

#include "document/MetadataValue.h"
#include "document/ReaderConfiguration.h"
#include "fuzz/FuzzScratch.h"

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>

using namespace brivane;

namespace {

std::string ReplaceEach(const std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, copied)) {
        out.append(text, copied, pos - copied);
        out += to;
        copied = pos + from.size();
    }
    return out + text.substr(copied);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzScratch::Get();  // quiets the diagnostic lines
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A workspace URL of varying length, so matches land everywhere.
    const std::string base = "file:///tmp/w" + std::string(size % 7, 'x') + "/data/";
    const auto urlOf = [&](const std::string& relative) { return base + relative; };

    std::string expected = text;
    for (const char* tree : {"user", "backgrounds", "toc"})
        expected = ReplaceEach(expected, std::string("files\\/") + tree, base + "files/" + tree);
    if (document::ReaderConfiguration::RewriteAssetPaths(text, urlOf) != expected) abort();

    const nlohmann::json config = document::ReaderConfiguration::Build(text, "flipbook.pdf", urlOf);
    if (config.size() != 7) abort();
    const std::string written = document::ReaderConfiguration::Text(config);
    // What the page receives reads back as the same document.
    const auto reread = document::ParseJson(written);
    if (!reread || reread->size() != 7) abort();
    if (config["metadata"].is_null() != (*reread)["metadata"].is_null()) abort();
    return 0;
}
