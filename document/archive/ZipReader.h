#pragma once

#include "base/Result.h"
#include "base/Unique.h"
#include "document/archive/CentralDirectory.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brivane::document {

// Read-only view of a ZIP archive on disk, open for the lifetime of the
// object. Entry names are the central directory's header bytes, decoded as
// UTF-8 when the entry says so (general-purpose bit 11), code page 437
// otherwise.
class ZipReader {
public:
    // Absent when the URL is not a local file URL, or the file is missing,
    // unreadable or not a ZIP archive.
    static std::optional<ZipReader> Open(const std::string& fileUrl);

    // Index of the first entry, in central-directory order, named exactly name.
    std::optional<std::uint64_t> Find(std::string_view name) const;
    // Uncompressed size as the central directory records it.
    std::optional<std::uint64_t> Size(std::uint64_t index) const;

    // The whole uncompressed content, CRC-checked. Fails when it would exceed
    // limit bytes, judged both on the recorded size and on what is actually
    // read; the failure is printable.
    Result<std::string> Read(std::uint64_t index, std::uint64_t limit) const;

    // Where a stored entry's data lies in the file (see StoredData); absent
    // for a deflated entry or one whose headers leave it in doubt.
    std::optional<std::uint64_t> StoredOffset(std::uint64_t index) const;

    zip_t* Handle() const { return zip_.get(); }
    int Fd() const { return fd_.Get(); }

private:
    ZipReader(UniqueFd fd, UniqueZip zip, std::vector<CentralDirectory::Record> records)
        : fd_(std::move(fd)),
          zip_(std::move(zip)),
          records_(std::move(records)),
          names_(CentralDirectory::Names(records_)) {}
    UniqueFd fd_;  // read by zip_, which does not own it
    UniqueZip zip_;
    std::vector<CentralDirectory::Record> records_;
    std::vector<std::optional<std::string>> names_;
};

}  // namespace brivane::document
