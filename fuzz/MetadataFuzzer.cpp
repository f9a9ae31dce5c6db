// Metadata text from an archive: validation, workspace naming, unpacking,
// the reader configuration from the unpacked copy and the change test's
// character count.

#include "base/GraphemeCount.h"
#include "base/TreeRemover.h"
#include "base/Unique.h"
#include "document/FlipbookFile.h"
#include "document/FlipbookMeta.h"
#include "document/ReaderConfiguration.h"
#include "document/WorkspaceRoot.h"
#include "fuzz/FuzzScratch.h"

#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>

using namespace brivane;

namespace {

// An archive holding the text as its metadata entry and a small PDF.
std::string WriteFlipbook(const std::string& metadata) {
    const auto& scratch = fuzz::FuzzScratch::Get();
    std::string path = scratch.Path() + "/Fuzz.flip";
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) abort();
    static const std::string pdf = "%PDF-1.4\n";
    zip_source_t* meta = zip_source_buffer(archive, metadata.data(), metadata.size(), 0);
    zip_source_t* body = zip_source_buffer(archive, pdf.data(), pdf.size(), 0);
    if (zip_file_add(archive, "metadata.brivane", meta, 0) < 0 || zip_file_add(archive, "flipbook.pdf", body, 0) < 0)
        abort();
    if (zip_close(archive) != 0) abort();
    return "file://" + path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string url = WriteFlipbook(text);

    document::ValidateFlipbookFile(url);
    document::FlipbookMeta meta(url);
    meta.GetTitle();
    meta.GetAppVersion();

    document::FlipbookFile book(url);
    if (auto workspace = book.GetWorkspaceURL()) {
        // Whatever the id, the workspace is one directory right under the root.
        auto root = document::WorkspaceRoot::Locate();
        std::string prefix = "file://" + *root + "/";
        if (workspace->rfind(prefix, 0) != 0) abort();
        std::string rest = workspace->substr(prefix.size());
        if (!rest.empty() && rest.back() == '/') rest.pop_back();
        if (rest.empty() || rest.find('/') != std::string::npos) abort();
        // The unpacked copy read back into the configuration the page gets.
        static_cast<void>(book.ExtractZip());
        if (auto config = book.GetReaderConfiguration()) document::ReaderConfiguration::Text(*config);
        TreeRemover::Remove(*root + "/" + rest);
    }

    auto urlOf = [](const std::string& rel) { return "file:///tmp/data/" + rel; };
    nlohmann::json config = document::ReaderConfiguration::Build(text, "flipbook.pdf", urlOf);
    if (config.size() != 7) abort();
    CountGraphemes(text);
    return 0;
}
