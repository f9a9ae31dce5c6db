#include "document/archive/FlipbookWriter.h"

#include "base/Unique.h"
#include "base/Utf8.h"
#include "document/archive/EntryPath.h"

#include <zip.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace brivane::document {

namespace {

// A ZIP being written; discarded unless closed successfully.
using WritingZip = UniqueZip;

std::string ZipError(zip_t* zip) { return zip_strerror(zip); }

Result<void> AddFile(zip_t* zip, const std::string& name, zip_source_t* source, zip_int32_t method) {
    if (!source) return Error{"cannot read data for " + name + ": " + ZipError(zip)};
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return Error{"cannot add " + name + ": " + ZipError(zip)};
    }
    if (zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), method, 0) != 0)
        return Error{"cannot set compression for " + name + ": " + ZipError(zip)};
    return {};
}

}  // namespace

Result<std::vector<FlipbookWriter::Asset>> FlipbookWriter::AssetsUnder(const std::string& dir) {
    namespace fs = std::filesystem;
    std::vector<Asset> assets;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = "files/" + it->path().lexically_relative(dir).generic_string();
        // Never write a name that unpacking would refuse, nor one that is not text.
        if (!IsValidUtf8(name) || !EntryPath::Parse(name))
            return Error{"cannot pack the asset " + nlohmann::json(DecodeUtf8Lossy(name)).dump() +
                         ": its name is not plain UTF-8 text without control characters"};
        assets.emplace_back(name, it->path().string());
    }
    if (ec) return Error{"cannot read assets in " + dir + ": " + ec.message()};
    std::sort(assets.begin(), assets.end());
    return assets;
}

// zip_close() reads the metadata buffer: the caller's text outlives the handle.
Result<void> FlipbookWriter::Write(const std::string& out, const std::string& metadataText, const std::string& pdfPath,
                                   const std::vector<Asset>& assets) {
    const std::string partial = out + ".partial";
    int code = 0;
    WritingZip zip(zip_open(partial.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        Error failure{"cannot create " + partial + ": " + zip_error_strerror(&error)};
        zip_error_fini(&error);
        return failure;
    }
    // A source never handed to AddFile would leak: none is made after a failure.
    auto added = AddFile(zip.get(), "metadata.brivane",
                         zip_source_buffer(zip.get(), metadataText.data(), metadataText.size(), 0), ZIP_CM_DEFLATE);
    if (added)
        added = AddFile(zip.get(), "flipbook.pdf", zip_source_file(zip.get(), pdfPath.c_str(), 0, -1), ZIP_CM_STORE);
    for (auto asset = assets.begin(); added && asset != assets.end(); ++asset)
        added =
            AddFile(zip.get(), asset->first, zip_source_file(zip.get(), asset->second.c_str(), 0, -1), ZIP_CM_DEFLATE);
    if (!added) return added;
    if (zip_close(zip.get()) != 0) {
        Error failure{"cannot write " + out + ": " + ZipError(zip.get())};
        std::remove(partial.c_str());
        return failure;
    }
    static_cast<void>(zip.release());  // closed: nothing left to discard
    std::error_code ec;
    std::filesystem::rename(partial, out, ec);
    if (ec) {
        std::remove(partial.c_str());
        return Error{"cannot write " + out + ": " + ec.message()};
    }
    return {};
}

}  // namespace brivane::document
