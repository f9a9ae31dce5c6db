#pragma once

#include "base/GObjectPtr.h"
#include "base/Result.h"

#include <poppler.h>

#include <cstdint>
#include <string>

namespace brivane::document {

// The flipbook's PDF opened by poppler straight from the archive. A stored
// entry is read in place, only where poppler looks, through a descriptor of
// its own; a deflated one cannot be seeked in, so it is inflated into memory,
// up to a bound.
class ArchivedPdf {
public:
    static constexpr std::uint64_t INFLATE_LIMIT = 256ull << 20;

    // Fails when the archive, its PDF entry or the PDF cannot be read, or a
    // deflated entry would take more than inflateLimit bytes.
    static Result<ArchivedPdf> Open(const std::string& fileUrl, std::uint64_t inflateLimit = INFLATE_LIMIT);

    PopplerDocument* Document() const { return document_.get(); }

private:
    ArchivedPdf() = default;

    RefPtr<PopplerDocument> document_;
};

}  // namespace brivane::document
