#pragma once

#include "base/Result.h"
#include "document/archive/EntryPath.h"
#include "document/archive/UnpackFailure.h"

#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivane::document {

// What the unpacker needs to know of one entry before writing anything.
struct SurveyedEntry {
    enum class Kind { File, Directory, Symlink };

    zip_uint64_t index = 0;
    EntryPath path;
    Kind kind = Kind::File;
    std::uint64_t size = 0;  // declared uncompressed size
    bool executable = false;
};

// Reads the central directory once and refuses, before anything is written,
// an archive with an unsafe name, an unsupported or encrypted entry, a
// device/FIFO/socket entry, or a total size the disk or common sense can't
// take.
class ArchiveSurvey {
public:
    struct Limits {
        std::uint64_t freeBytes = 0;     // free space at the destination
        std::uint64_t archiveBytes = 0;  // size of the archive file
    };

    // names: the entries' names as CentralDirectory decodes them. A failure
    // tells the first offending entry and why.
    static Result<std::vector<SurveyedEntry>, UnpackFailure> Take(zip_t* archive,
                                                                  const std::vector<std::optional<std::string>>& names,
                                                                  const Limits& limits);

    // True when two entries claim the same item, or one is placed beneath
    // another's file or link: then entries must be written strictly in order.
    static bool HasConflicts(const std::vector<SurveyedEntry>& entries);

    static constexpr std::uint64_t BOMB_FLOOR = 256ull << 20;
    static constexpr std::uint64_t BOMB_RATIO = 100;
};

}  // namespace brivane::document
