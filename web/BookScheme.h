#pragma once

#include "web/UnpackingBook.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brivane::web {

// The reader page's way to its own book: "brivane-book:///" followed by the
// absolute path of a file in the view's workspace. Unlike file URLs it
// answers byte ranges, so the page reads a large PDF piece by piece, and it
// serves nothing outside the one workspace its view was given.
class BookScheme {
public:
    static constexpr const char* SCHEME = "brivane-book";

    struct Reply {
        int status = 404;
        std::string contentType;
        std::vector<std::pair<std::string, std::string>> headers;
        // The body: length bytes of file from offset; no file, no body.
        std::filesystem::path file;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        // Not answerable yet: the file is still being unpacked; ask again.
        bool wait = false;
        // The body is a whole entry read from the archive before the unpacker
        // checked it: the CRC-32 it must have, and the entry (relative to the
        // data directory) to blame otherwise.
        std::optional<std::uint32_t> crc;
        std::string entry;
    };

    // The regular file that uri names, when it lies inside workspaceRoot after
    // decoding and resolving links. Dot segments, encoded separators and
    // anything outside the root are refused rather than repaired.
    static std::optional<std::filesystem::path> Resolve(const std::string& uri, const std::string& workspaceRoot);

    // The whole answer to a request; workspaceRoot absent: the view has none.
    // While unpacking, files of its data directory not yet written are read
    // from the archive, or waited for. A range is not checked as it goes out:
    // the unpacker copies the same stored bytes and checks their CRC-32, and
    // its failure replaces the page.
    static Reply Answer(const std::string& uri, const std::string& method, const std::optional<std::string>& range,
                        const std::optional<std::string>& workspaceRoot, const UnpackingBook* unpacking = nullptr);

    static std::string ContentTypeOf(const std::filesystem::path& file);
};

}  // namespace brivane::web
