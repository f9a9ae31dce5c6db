#pragma once

#include "UnpackFailure.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brivane::document {

// Unpacks a whole ZIP archive into an existing directory, and nothing
// outside it: no name, planted link or archive link ever leads out. Fails
// when an item to be written already exists; what was written before a
// failure stays. Large entries are written on a second thread.
class ArchiveExtractor {
public:
    // Absent on success, else which entry failed and why.
    static std::optional<UnpackFailure> Unpack(const std::string& archivePath, const std::string& destination);

    // Entries at least this large are started first.
    static constexpr std::uint64_t kLargeEntry = 4ull << 20;
    static constexpr unsigned kMaxThreads = 4;
};

}  // namespace brivane::document
