#pragma once

#include "base/Result.h"

#include <string>
#include <utility>
#include <vector>

namespace brivane::document {

// Writes a flipbook archive: the metadata text, the PDF (stored: it is already
// compressed and may be large), then asset files under files/.
class FlipbookWriter {
public:
    // Archive path of an asset and the file on disk that becomes it.
    using Asset = std::pair<std::string, std::string>;

    // The regular files under dir as assets under files/, sorted so the archive
    // does not depend on directory order. Fails on a name unpacking would refuse.
    static Result<std::vector<Asset>> AssetsUnder(const std::string& dir);

    // Writes to a temporary file beside out and renames it into place, so a
    // failed pack never leaves a half archive under the final name.
    static Result<void> Write(const std::string& out, const std::string& metadataText, const std::string& pdfPath,
                              const std::vector<Asset>& assets);
};

}  // namespace brivane::document
