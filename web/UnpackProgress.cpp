#include "UnpackProgress.h"

#include "Unique.h"
#include "ZipReader.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <glib.h>

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace brivane::web {

std::optional<UnpackProgress> UnpackProgress::Measure(const std::string& archiveUrl, const std::string& dataDirectory) {
    const auto archive = document::ZipReader::Open(archiveUrl);
    if (!archive) return std::nullopt;
    UnpackProgress progress;
    const zip_int64_t entries = zip_get_num_entries(archive->Handle(), 0);
    for (zip_int64_t i = 0; i < entries; ++i)
        progress.total += archive->Size(static_cast<std::uint64_t>(i)).value_or(0);

    std::error_code error;
    namespace fs = std::filesystem;
    for (fs::recursive_directory_iterator it(dataDirectory, error), end; !error && it != end; it.increment(error)) {
        // Links are not followed: only what the unpacker wrote counts.
        if (it->is_regular_file(error) && !it->is_symlink(error)) progress.done += it->file_size(error);
    }
    progress.done = std::min(progress.done, progress.total);
    return progress;
}

std::string UnpackProgress::Describe(const UnpackProgress& progress) {
    constexpr std::uint64_t MB = 1000 * 1000;
    const auto mb = [](std::uint64_t bytes) { return std::to_string((bytes + MB / 2) / MB); };
    UniqueGChars text(
        g_strdup_printf(_("Unpacking… %s of %s MB"), mb(progress.done).c_str(), mb(progress.total).c_str()));
    return text.get();
}

}  // namespace brivane::web
