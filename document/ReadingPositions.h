#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/ViewState.h"

namespace brivane::document {

// Where each book was left and how it was shown, newest first, in one small
// JSON file of the user's state directory. Every call reads the file afresh,
// and writers in all processes take turns on a lock file beside it, so no
// window or process overwrites another's books with a stale copy.
class ReadingPositions {
public:
    struct Book {
        std::string id;  // the metadata "id"
        int page = 1;
        std::string fileUrl;
        std::string title;  // plain text, for the start page
        ViewState state = {};
        bool operator==(const Book&) const = default;
    };

    static constexpr std::size_t LIMIT = 500;
    static constexpr std::string_view FORMAT = "brivane-reader-positions";
    // The view state rides in version 1 as optional fields: older programs
    // read such a file and keep its pages.
    static constexpr int VERSION = 1;
    // Far above LIMIT records; anything larger is not ours.
    static constexpr std::size_t MAX_BYTES = 4 << 20;

    explicit ReadingPositions(std::string path);
    // $XDG_STATE_HOME/brivane-reader/positions.json (~/.local/state/... by
    // default).
    static std::string DefaultPath();
    // The one the windows share, at DefaultPath().
    static std::shared_ptr<const ReadingPositions> ForUser();

    std::optional<int> PageOf(const std::string& id) const;
    std::optional<Book> Find(const std::string& id) const;
    // Puts the book first, drops its older record and all past LIMIT, and
    // replaces the file atomically. False when the file cannot be written.
    bool Remember(const Book& book) const;
    // Drops the book's records, by its id and by its file, so no older
    // record of it takes its place on the recent list. False when the file
    // cannot be written.
    bool Forget(const Book& book) const;
    // Drops every record: the list and the pages kept with it.
    bool ForgetAll() const;
    // Newest first, one per file, only files that still exist.
    std::vector<Book> Recent(std::size_t count) const;

    // Absent for text that is not our file (damaged, foreign, other version).
    static std::optional<std::vector<Book>> Parse(std::string_view text);
    static std::string Serialize(const std::vector<Book>& books);

    const std::string& Path() const { return path_; }

private:
    std::vector<Book> Read() const;
    void Report() const;
    bool Write(const std::vector<Book>& books) const;

    std::string path_;
    mutable bool reported_ = false;
};

}  // namespace brivane::document
