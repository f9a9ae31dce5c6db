#pragma once

#include "document/archive/CentralDirectory.h"

#include <zip.h>

#include <cstdint>
#include <optional>

namespace brivane::document {

// Where a stored entry's content lies in the archive file, byte for byte, so
// it can be read from there before it is unpacked. Anything doubtful gives
// nothing: the reader then waits for the unpacked file instead.
class StoredData {
public:
    // Offset of the entry's first data byte: both headers and libzip agree that
    // it is stored and not encrypted, its two sizes are equal and its data lies
    // wholly inside the file of fileSize bytes. record is the entry's central
    // header, index its libzip index.
    static std::optional<std::uint64_t> Offset(int fd, std::uint64_t fileSize, zip_t* archive, zip_uint64_t index,
                                               const CentralDirectory::Record& record);
};

}  // namespace brivane::document
