#include "document/archive/ArchiveSurvey.h"

#include <sys/stat.h>

#include <set>

namespace brivane::document {

namespace {

constexpr zip_uint8_t OPSYS_UNIX = ZIP_OPSYS_UNIX;
constexpr zip_uint32_t DOS_DIRECTORY = 0x10;

// Sets kind and executable from the stored attributes; false for an entry
// type that must never be recreated.
bool ClassifyAttributes(zip_t* archive, zip_uint64_t index, SurveyedEntry& entry) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &opsys, &attributes) != 0) return true;
    if (opsys != OPSYS_UNIX) {
        if (attributes & DOS_DIRECTORY) entry.kind = SurveyedEntry::Kind::Directory;
        return true;
    }
    mode_t mode = attributes >> 16;
    switch (mode & S_IFMT) {
    case 0:
    case S_IFREG:
        break;
    case S_IFDIR:
        entry.kind = SurveyedEntry::Kind::Directory;
        break;
    case S_IFLNK:
        if (entry.kind == SurveyedEntry::Kind::Directory) return false;
        entry.kind = SurveyedEntry::Kind::Symlink;
        break;
    default:
        return false;  // device, FIFO, socket
    }
    entry.executable = (mode & 0111) != 0;
    return true;
}

}  // namespace

Result<std::vector<SurveyedEntry>, UnpackFailure> ArchiveSurvey::Take(
    zip_t* archive, const std::vector<std::optional<std::string>>& names, const Limits& limits) {
    using Cause = UnpackFailure::Cause;
    zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) != names.size())
        return UnpackFailure(Cause::Damaged, "", "cannot list entries");
    std::vector<SurveyedEntry> entries;
    entries.reserve(static_cast<size_t>(count));
    std::uint64_t total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        const std::string shown = names[i].value_or("entry " + std::to_string(i));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, i, 0, &st) != 0)
            return UnpackFailure(Cause::Damaged, shown, zip_error_strerror(zip_get_error(archive)));
        constexpr zip_uint64_t NEEDED_FIELDS = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if ((st.valid & NEEDED_FIELDS) != NEEDED_FIELDS)
            return UnpackFailure(Cause::Damaged, shown, "incomplete directory record");
        auto path = names[i] ? EntryPath::Parse(*names[i]) : std::nullopt;
        if (!path) {
            const bool readable = names[i] && !names[i]->empty() && IsPrintableUtf8(*names[i]);
            return UnpackFailure(readable ? Cause::LeadsOutside : Cause::UnreadableName, shown);
        }
        if (st.encryption_method != ZIP_EM_NONE) return UnpackFailure(Cause::Encrypted, shown);
        if (!zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0))
            return UnpackFailure(Cause::UnsupportedMethod, shown, std::to_string(st.comp_method));
        SurveyedEntry entry{i, std::move(*path), SurveyedEntry::Kind::File, st.size, false};
        if (entry.path.HasTrailingSlash()) entry.kind = SurveyedEntry::Kind::Directory;
        if (!ClassifyAttributes(archive, i, entry)) return UnpackFailure(Cause::UnsupportedType, shown);
        total += st.size;
        if (total < st.size) total = UINT64_MAX;
        entries.push_back(std::move(entry));
    }
    if (total > limits.freeBytes)
        return UnpackFailure(
            Cause::TooLarge, "",
            "needs " + std::to_string(total) + " bytes, " + std::to_string(limits.freeBytes) + " free");
    bool ratioExceeded = limits.archiveBytes <= UINT64_MAX / BOMB_RATIO && total > limits.archiveBytes * BOMB_RATIO;
    if (total > BOMB_FLOOR && ratioExceeded)
        return UnpackFailure(
            Cause::TooLarge, "",
            "expands to " + std::to_string(total) + " bytes from " + std::to_string(limits.archiveBytes));
    return entries;
}

bool ArchiveSurvey::HasConflicts(const std::vector<SurveyedEntry>& entries) {
    std::set<std::string> all;
    std::set<std::string> leaves;  // files and links: nothing may sit beneath them
    for (const SurveyedEntry& e : entries) {
        std::string joined = e.path.Joined();
        if (!all.insert(joined).second) return true;
        if (e.kind != SurveyedEntry::Kind::Directory) leaves.insert(joined);
    }
    for (const SurveyedEntry& e : entries) {
        std::string prefix;
        const auto& parts = e.path.Components();
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            if (i) prefix += '/';
            prefix += parts[i];
            if (leaves.count(prefix)) return true;
        }
    }
    return false;
}

}  // namespace brivane::document
