#include "document/ReadingPositions.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>
#include <utility>

#include "base/Diagnostics.h"
#include "base/Unique.h"

namespace brivane::document {

namespace fs = std::filesystem;

namespace {

// Writers hold the lock for one read, merge and rename: milliseconds. A holder
// that never lets go must not freeze the window that waits.
constexpr auto LOCK_PATIENCE = std::chrono::seconds(5);
constexpr auto LOCK_POLL = std::chrono::milliseconds(1);

enum class ReadOutcome { Read, Absent, Refused };

// Only a regular file is read, and only up to limit: the path may name a pipe
// that never answers or a device that never ends. The open does not wait for
// a pipe's writer.
ReadOutcome ReadRegularFile(const std::string& path, std::size_t limit, std::string& text) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ENOENT || errno == ENOTDIR ? ReadOutcome::Absent : ReadOutcome::Refused;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > limit)
        return ReadOutcome::Refused;
    text.clear();
    char chunk[16384];
    for (;;) {
        const ssize_t n = read(fd.Get(), chunk, sizeof chunk);
        if (n == 0) return ReadOutcome::Read;
        if (n < 0 && errno == EINTR) continue;
        // It may have grown since fstat.
        if (n < 0 || text.size() + static_cast<std::size_t>(n) > limit) return ReadOutcome::Refused;
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

// Open-file-description locks on single bytes of the lock file: one guards
// the store, the other is a turnstile that a waiter holds while it waits, so a
// writer that has just let go cannot take the store straight back. Polled,
// with a deadline, so the main thread never waits without end.
constexpr off_t TURNSTILE = 0;
constexpr off_t STORE = 1;

bool LockByte(int fd, off_t byte, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool AwaitByte(int fd, off_t byte, std::chrono::steady_clock::time_point deadline) {
    while (!LockByte(fd, byte, F_WRLCK)) {
        if ((errno != EAGAIN && errno != EACCES && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(LOCK_POLL);
    }
    return true;
}

// Held until the result closes; an invalid result when the store could not be
// had in time.
UniqueFd LockBeside(const std::string& path) {
    UniqueFd fd(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const auto deadline = std::chrono::steady_clock::now() + LOCK_PATIENCE;
    if (!AwaitByte(fd.Get(), TURNSTILE, deadline)) return {};
    const bool held = AwaitByte(fd.Get(), STORE, deadline);
    LockByte(fd.Get(), TURNSTILE, F_UNLCK);
    return held ? std::move(fd) : UniqueFd();
}

}  // namespace

ReadingPositions::ReadingPositions(std::string path) : path_(std::move(path)) {}

std::string ReadingPositions::DefaultPath() {
    return (fs::path(g_get_user_state_dir()) / "brivane-reader" / "positions.json").string();
}

std::shared_ptr<const ReadingPositions> ReadingPositions::ForUser() {
    static const auto shared = std::make_shared<const ReadingPositions>(DefaultPath());
    return shared;
}

std::optional<std::vector<ReadingPositions::Book>> ReadingPositions::Parse(std::string_view text) {
    const auto doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object()) return std::nullopt;
    const auto format = doc.find("format");
    const auto version = doc.find("version");
    const auto books = doc.find("books");
    if (format == doc.end() || *format != FORMAT || version == doc.end() || *version != VERSION || books == doc.end() ||
        !books->is_array())
        return std::nullopt;
    std::vector<Book> out;
    std::set<std::string> seen;
    for (const auto& entry : *books) {
        if (out.size() == LIMIT) break;
        if (!entry.is_object()) continue;
        const auto id = entry.value("id", nlohmann::json());
        const auto page = entry.value("page", nlohmann::json());
        const auto file = entry.value("file", nlohmann::json());
        const auto title = entry.value("title", nlohmann::json(""));
        // A record we cannot use is skipped; the rest of the file still counts.
        if (!id.is_string() || id.get<std::string>().empty() || !page.is_number_integer() || !file.is_string() ||
            !title.is_string())
            continue;
        const auto number = page.get<std::int64_t>();
        if (number < 1 || number > 1'000'000 || !seen.insert(id.get<std::string>()).second) continue;
        // The view state's fields are optional, and a bad one goes alone.
        out.push_back({id.get<std::string>(), static_cast<int>(number), file.get<std::string>(),
                       title.get<std::string>(), ViewState::From(entry)});
    }
    return out;
}

std::string ReadingPositions::Serialize(const std::vector<Book>& books) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& book : books) {
        nlohmann::json record = {{"id", book.id}, {"page", book.page}, {"file", book.fileUrl}, {"title", book.title}};
        book.state.AddTo(record);
        list.push_back(std::move(record));
    }
    const nlohmann::json doc = {{"format", FORMAT}, {"version", VERSION}, {"books", std::move(list)}};
    return doc.dump(1, '\t', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::vector<ReadingPositions::Book> ReadingPositions::Read() const {
    std::string text;
    switch (ReadRegularFile(path_, MAX_BYTES, text)) {
    case ReadOutcome::Absent:
        return {};
    case ReadOutcome::Refused:
        Report();
        return {};
    case ReadOutcome::Read:
        break;
    }
    if (auto books = Parse(text)) return std::move(*books);
    Report();
    return {};
}

void ReadingPositions::Report() const {
    if (!std::exchange(reported_, true)) Diagnostics::Line("Ignoring unreadable reading positions: " + path_);
}

bool ReadingPositions::Write(const std::vector<Book>& books) const {
    std::string temp = path_ + ".XXXXXX";
    UniqueFd fd(mkstemp(temp.data()));
    if (fd.Get() < 0) return false;
    const std::string text = Serialize(books);
    // A crash leaves either the old file or the new one, never half of one.
    bool ok = fchmod(fd.Get(), 0600) == 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd.Get(), text.data() + done, text.size() - done);
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    ok = ok && fsync(fd.Get()) == 0;
    fd.Reset();
    ok = ok && std::rename(temp.c_str(), path_.c_str()) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

std::optional<int> ReadingPositions::PageOf(const std::string& id) const {
    const auto book = Find(id);
    return book ? std::optional(book->page) : std::nullopt;
}

std::optional<ReadingPositions::Book> ReadingPositions::Find(const std::string& id) const {
    for (auto& book : Read())
        if (book.id == id) return std::move(book);
    return std::nullopt;
}

bool ReadingPositions::Remember(const Book& book) const {
    std::error_code ec;
    fs::create_directories(fs::path(path_).parent_path(), ec);
    // Read, merge and replace as one step across processes; without the lock
    // the book is still written, at the old risk of losing another's.
    const UniqueFd lock = LockBeside(path_);
    auto books = Read();
    std::erase_if(books, [&](const Book& b) { return b.id == book.id; });
    books.insert(books.begin(), book);
    if (books.size() > LIMIT) books.resize(LIMIT);
    return Write(books);
}

bool ReadingPositions::Forget(const Book& book) const {
    const UniqueFd lock = LockBeside(path_);
    auto books = Read();
    const auto removed =
        std::erase_if(books, [&](const Book& b) { return b.id == book.id || b.fileUrl == book.fileUrl; });
    return removed == 0 || Write(books);
}

bool ReadingPositions::ForgetAll() const {
    const UniqueFd lock = LockBeside(path_);
    std::error_code ec;
    return !fs::exists(path_, ec) || Write({});
}

std::vector<ReadingPositions::Book> ReadingPositions::Recent(std::size_t count) const {
    std::vector<Book> out;
    std::set<std::string> files;
    for (auto& book : Read()) {
        if (out.size() == count) break;
        UniqueGChars path(g_filename_from_uri(book.fileUrl.c_str(), nullptr, nullptr));
        std::error_code ec;
        if (!path || !fs::is_regular_file(path.get(), ec) || !files.insert(book.fileUrl).second) continue;
        out.push_back(std::move(book));
    }
    return out;
}

}  // namespace brivane::document
