#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brivane::web {

// Covers of the recent books with their page counts, one small file per book
// id in the user's cache directory, so the start window shows them without
// opening an archive. Bounded in size: the covers used longest ago go first.
class CoverCache {
public:
    struct Cover {
        std::string png;    // empty: nothing could be drawn, the page shows a placeholder
        int pageCount = 0;  // 0: unknown
        bool operator==(const Cover&) const = default;
    };
    // What a cached cover was made from: a book file changed since is drawn again.
    struct Stamp {
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    static constexpr std::uint64_t MAX_BYTES = 4 << 20;
    // Far above a thumbnail at the size we draw; anything larger is not ours.
    static constexpr std::size_t MAX_COVER_BYTES = 512 << 10;

    explicit CoverCache(std::string directory, std::uint64_t maxBytes = MAX_BYTES);
    // $XDG_CACHE_HOME/brivane-reader/covers (~/.cache/... by default).
    static std::string DefaultDirectory();

    // The file name for a book id: the id is the book's to choose, so it
    // never becomes part of a path itself.
    static std::string KeyOf(std::string_view bookId);
    static std::optional<Stamp> StampOf(const std::string& bookPath);

    // Absent when none is kept or the book changed since it was made.
    std::optional<Cover> Find(std::string_view bookId, const Stamp& book) const;
    // Keeps the cover, then drops the least recently used ones past the bound.
    bool Store(std::string_view bookId, const Stamp& book, const Cover& cover) const;

    static std::string Serialize(const Cover& cover, const Stamp& book);
    static std::optional<std::pair<Cover, Stamp>> Parse(std::string_view bytes);

    const std::string& Directory() const { return directory_; }

private:
    std::string PathOf(std::string_view bookId) const;
    void Trim(const std::string& keep) const;

    std::string directory_;
    std::uint64_t maxBytes_;
};

}  // namespace brivane::web
