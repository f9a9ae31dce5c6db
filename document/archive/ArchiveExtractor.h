#pragma once

#include "base/Result.h"
#include "document/archive/UnpackFailure.h"
#include "document/archive/UnpackListener.h"

#include <cstdint>
#include <string>

namespace brivane::document {

// Unpacks a whole ZIP archive into an existing directory, and nothing
// outside it: no name, planted link or archive link ever leads out. Fails
// when an item to be written already exists; what was written before a
// failure stays. When the order of writing can't matter, several threads write.
class ArchiveExtractor {
public:
    // A failure tells which entry failed and why. With a listener the
    // writing runs on threads of their own at low CPU and I/O priority, for a
    // reader that reads meanwhile; the listener hears from the survey on the
    // calling thread and from every file written on the writing threads.
    static Result<void, UnpackFailure> Unpack(const std::string& archivePath, const std::string& destination,
                                              UnpackListener* listener = nullptr);

    // Entries at least this large are started first.
    static constexpr std::uint64_t LARGE_ENTRY = 4ull << 20;
    static constexpr unsigned MAX_THREADS = 4;
};

}  // namespace brivane::document
