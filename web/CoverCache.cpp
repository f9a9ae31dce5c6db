#include "web/CoverCache.h"

#include "base/Unique.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace brivane::web {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view MAGIC = "brivane-cover 1 ";
constexpr const char* SUFFIX = ".cover";

bool ReadNumber(std::string_view& text, std::int64_t& value, char end) {
    const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || stop == text.data() + text.size() || *stop != end) return false;
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()) + 1);
    return true;
}

}  // namespace

CoverCache::CoverCache(std::string directory, std::uint64_t maxBytes)
    : directory_(std::move(directory)), maxBytes_(maxBytes) {}

std::string CoverCache::DefaultDirectory() {
    return (fs::path(g_get_user_cache_dir()) / "brivane-reader" / "covers").string();
}

std::string CoverCache::KeyOf(std::string_view bookId) {
    UniqueGChars hex(
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bookId.data()), bookId.size()));
    return std::string(hex.get()) + SUFFIX;
}

std::optional<CoverCache::Stamp> CoverCache::StampOf(const std::string& bookPath) {
    struct stat st {};
    if (stat(bookPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return Stamp{static_cast<std::int64_t>(st.st_size),
                 static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

std::string CoverCache::Serialize(const Cover& cover, const Stamp& book) {
    return std::string(MAGIC) + std::to_string(cover.pageCount) + ' ' + std::to_string(book.size) + ' ' +
           std::to_string(book.modifiedNs) + '\n' + cover.png;
}

std::optional<std::pair<CoverCache::Cover, CoverCache::Stamp>> CoverCache::Parse(std::string_view bytes) {
    if (!bytes.starts_with(MAGIC) || bytes.size() > MAX_COVER_BYTES + 128) return std::nullopt;
    bytes.remove_prefix(MAGIC.size());
    std::int64_t pages = 0;
    Stamp stamp;
    if (!ReadNumber(bytes, pages, ' ') || !ReadNumber(bytes, stamp.size, ' ') ||
        !ReadNumber(bytes, stamp.modifiedNs, '\n'))
        return std::nullopt;
    if (pages < 0 || pages > 1'000'000 || bytes.size() > MAX_COVER_BYTES) return std::nullopt;
    static constexpr std::string_view PNG = "\x89PNG\r\n\x1a\n";
    if (!bytes.empty() && !bytes.starts_with(PNG)) return std::nullopt;
    return std::pair{Cover{std::string(bytes), static_cast<int>(pages)}, stamp};
}

std::string CoverCache::PathOf(std::string_view bookId) const {
    return (fs::path(directory_) / KeyOf(bookId)).string();
}

std::optional<CoverCache::Cover> CoverCache::Find(std::string_view bookId, const Stamp& book) const {
    const std::string path = PathOf(bookId);
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || size > MAX_COVER_BYTES + 128) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const auto parsed = Parse(bytes);
    if (!parsed || parsed->second != book) return std::nullopt;
    // Used now: the bound removes it last.
    utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
    return parsed->first;
}

bool CoverCache::Store(std::string_view bookId, const Stamp& book, const Cover& cover) const {
    if (cover.png.size() > MAX_COVER_BYTES) return false;
    std::error_code ec;
    fs::create_directories(directory_, ec);
    const std::string path = PathOf(bookId);
    std::string temp = path + ".XXXXXX";
    UniqueFd fd(mkstemp(temp.data()));
    if (fd.Get() < 0) return false;
    const std::string bytes = Serialize(cover, book);
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd.Get(), bytes.data() + done, bytes.size() - done);
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    fd.Reset();
    // Another window may read it at once: it sees the old file or the new one.
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temp.c_str());
        return false;
    }
    Trim(path);
    return true;
}

void CoverCache::Trim(const std::string& keep) const {
    struct Kept {
        fs::path path;
        std::uintmax_t size;
        fs::file_time_type used;
    };
    std::vector<Kept> kept;
    std::uintmax_t total = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(directory_, ec)) {
        if (!entry.is_regular_file(ec) || entry.path().extension() != SUFFIX) continue;
        const auto size = entry.file_size(ec);
        if (ec) continue;
        kept.push_back({entry.path(), size, entry.last_write_time(ec)});
        total += size;
    }
    if (total <= maxBytes_) return;
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.used < b.used; });
    for (const auto& cover : kept) {
        if (total <= maxBytes_) break;
        if (cover.path == keep) continue;
        if (fs::remove(cover.path, ec)) total -= cover.size;
    }
}

}  // namespace brivane::web
