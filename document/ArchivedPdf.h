#pragma once

#include "base/GObjectPtr.h"
#include "base/Result.h"
#include "document/archive/ZipReader.h"

#include <poppler.h>

#include <cstdint>
#include <string>

namespace brivane::document {

// The flipbook's PDF opened by poppler straight from the archive. A stored
// entry is read in place, only where poppler looks; a deflated one cannot be
// seeked in, so it is inflated into memory, up to a bound.
class ArchivedPdf {
public:
    static constexpr std::uint64_t INFLATE_LIMIT = 256ull << 20;

    // Fails when the archive, its PDF entry or the PDF cannot be read, or a
    // deflated entry would take more than inflateLimit bytes.
    static Result<ArchivedPdf> Open(const std::string& fileUrl, std::uint64_t inflateLimit = INFLATE_LIMIT);

    PopplerDocument* Document() const { return document_.get(); }

private:
    ArchivedPdf(ZipReader archive) : archive_(std::move(archive)) {}

    // The document reads through the archive, so the archive goes last.
    ZipReader archive_;
    RefPtr<PopplerDocument> document_;
};

}  // namespace brivane::document
