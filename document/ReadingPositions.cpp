#include "ReadingPositions.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <utility>

#include "Diagnostics.h"
#include "Unique.h"

namespace brivane::document {

namespace fs = std::filesystem;

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
        out.push_back(
            {id.get<std::string>(), static_cast<int>(number), file.get<std::string>(), title.get<std::string>()});
    }
    return out;
}

std::string ReadingPositions::Serialize(const std::vector<Book>& books) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& book : books)
        list.push_back({{"id", book.id}, {"page", book.page}, {"file", book.fileUrl}, {"title", book.title}});
    const nlohmann::json doc = {{"format", FORMAT}, {"version", VERSION}, {"books", std::move(list)}};
    return doc.dump(1, '\t', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::vector<ReadingPositions::Book> ReadingPositions::Read() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    if (auto books = Parse(text.str())) return std::move(*books);
    if (!std::exchange(reported_, true)) Diagnostics::Line("Ignoring unreadable reading positions: " + path_);
    return {};
}

bool ReadingPositions::Write(const std::vector<Book>& books) const {
    const fs::path target(path_);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
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
    for (const auto& book : Read())
        if (book.id == id) return book.page;
    return std::nullopt;
}

bool ReadingPositions::Remember(const Book& book) const {
    auto books = Read();
    std::erase_if(books, [&](const Book& b) { return b.id == book.id; });
    books.insert(books.begin(), book);
    if (books.size() > LIMIT) books.resize(LIMIT);
    return Write(books);
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
