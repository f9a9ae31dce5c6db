#include "document/ReadingPositions.h"

#include "tests/support/CapturedLines.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <tuple>

namespace brivane::document {
namespace {

using Book = ReadingPositions::Book;
namespace fs = std::filesystem;

const std::string HEAD = R"({"format": "brivane-reader-positions", "version": 1, "books": )";

TEST(ReadingPositionsTest, ParseKeepsUsableRecordsAndRefusesForeignFiles) {
    const std::pair<std::string, std::optional<std::vector<Book>>> cases[] = {
        // Bad records are skipped one by one: zero or fractional pages, no id, a repeated id.
        {HEAD + R"([{"id": "a", "page": 3, "file": "file:///a.flip", "title": "A"}, {"id": "b", "page": 0, "file": ""},
                    {"id": "c", "page": 2.5, "file": ""}, {"page": 2, "file": ""}, 7,
                    {"id": "a", "page": 9, "file": "file:///a.flip"}]})",
         std::vector{Book{"a", 3, "file:///a.flip", "A"}}},
        {R"({"format": "other", "version": 1, "books": []})", std::nullopt},
        {R"({"format": "brivane-reader-positions", "version": 2, "books": []})", std::nullopt},
        {R"({"format": "brivane-reader-positions", "version": 1, "books": {}})", std::nullopt},
        {HEAD + R"([{"id": "a", "pa)", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ReadingPositions::Parse(text), want) << text;
}

TEST(ReadingPositionsTest, RememberPutsTheBookFirstKeepsTheNewestFiveHundredOrSaysItCannot) {
    test::TempDir dir;
    const ReadingPositions positions(dir / "state/brivane-reader/positions.json");
    std::vector<Book> full;
    for (int i = 519; i >= 20; --i) full.push_back({"id" + std::to_string(i), 1 + i % 7, "", ""});
    fs::create_directories(fs::path(positions.Path()).parent_path());
    test::Write(positions.Path(), ReadingPositions::Serialize(full));
    ASSERT_TRUE(positions.Remember({"id520", 1, "", ""}));
    ASSERT_TRUE(positions.Remember({"id30", 12, "file:///x.flip", "X"}));

    const auto books = ReadingPositions::Parse(test::Read(positions.Path()));
    ASSERT_TRUE(books);
    ASSERT_EQ(books->size(), ReadingPositions::LIMIT);
    EXPECT_EQ(books->front(), (Book{"id30", 12, "file:///x.flip", "X"}));
    EXPECT_EQ((*books)[1].id, "id520");
    EXPECT_EQ(positions.PageOf("id20"), std::nullopt) << "the oldest falls off";
    // Written by rename: nothing but the file and its lock is left in the directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(positions.Path()).parent_path()), {}), 2);
    EXPECT_FALSE(ReadingPositions(positions.Path() + "/positions.json").Remember({"a", 1, "", ""})) << "unwritable";
}

// The view state rides in the same records; a bad field goes alone.
TEST(ReadingPositionsTest, ViewStateFieldsAreKeptOrDroppedOneByOne) {
    const std::pair<std::string, ViewState> cases[] = {
        {"", {}},
        {R"(, "view": "single", "fit": "width", "zoom": 1.5, "direction": "rtl")", {"single", "width", 1.5, "rtl"}},
        {R"(, "view": "SPREAD", "fit": "width", "zoom": 9, "direction": ["rtl"], "colour": 1)", {{}, "width", {}, {}}},
        {R"(, "view": 1, "fit": null, "zoom": 0.25, "direction": "rtl")", {{}, {}, 0.25, "rtl"}},
    };
    for (const auto& [fields, want] : cases) {
        const auto books = ReadingPositions::Parse(HEAD + R"([{"id": "a", "page": 3, "file": "f")" + fields + "}]}");
        ASSERT_TRUE(books) << fields;
        EXPECT_EQ(*books, (std::vector{Book{"a", 3, "f", "", want}})) << fields;
        EXPECT_EQ(ReadingPositions::Parse(ReadingPositions::Serialize(*books)), books) << fields;
    }
}

// The start window reads the store on the main thread: a pipe froze it, a
// link to /dev/zero read without end. Answer at once, say so once, replace.
TEST(ReadingPositionsTest, AnythingButARegularFileOfOurFormatIsReportedOnceAndReplaced) {
    const std::string good = HEAD + R"([{"id": "a", "page": 6, "file": "f"}]})";
    const std::tuple<std::string, std::function<void(const std::string&)>, std::optional<int>> cases[] = {
        {"damaged", [](const std::string& path) { test::Write(path, HEAD + "["); }, std::nullopt},
        {"pipe", [](const std::string& path) { mkfifo(path.c_str(), 0600); }, std::nullopt},
        {"endless device", [](const std::string& path) { fs::create_symlink("/dev/zero", path); }, std::nullopt},
        {"oversized",
         [](const std::string& path) { test::Write(path, std::string(ReadingPositions::MAX_BYTES + 1, ' ')); },
         std::nullopt},
        {"link to a file",
         [&](const std::string& path) {
             test::Write(path + "-real", good);
             fs::create_symlink(path + "-real", path);
         },
         6},
    };
    for (const auto& [name, make, page] : cases) {
        test::TempDir dir;
        const std::string path = dir / "positions.json";
        make(path);
        test::CapturedLines lines;
        const ReadingPositions positions(path);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(positions.PageOf("a"), page) << name;
        EXPECT_EQ(positions.PageOf("a"), page) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        EXPECT_EQ(lines.lines, std::vector<std::string>(page ? 0 : 1, "Ignoring unreadable reading positions: " + path))
            << name;
        ASSERT_TRUE(positions.Remember({"b", 2, "f", "B"})) << name;
        EXPECT_EQ(positions.PageOf("b"), 2) << name;
    }
}

// Two processes remembering at once kept about half of each other's books.
TEST(ReadingPositionsTest, TwoProcessesWritingAtOnceKeepEveryBook) {
    test::TempDir dir;
    const ReadingPositions positions(dir / "positions.json");
    const auto remember = [&](const std::string& prefix) {
        int failed = 0;
        for (int i = 0; i < 200; ++i) failed += !positions.Remember({prefix + std::to_string(i), 2, "", ""});
        return failed;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(remember("child-"));
    EXPECT_EQ(remember("parent-"), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadingPositions::Parse(test::Read(positions.Path())).value_or(std::vector<Book>{}).size(), 400u);
}

TEST(ReadingPositionsTest, RecentListsExistingFilesNewestFirstOncePerFile) {
    test::TempDir dir;
    const std::string one = test::FileUrl(dir.Write("one.flip", "x"));
    const std::string two = test::FileUrl(dir.Write("two.flip", "x"));
    const ReadingPositions positions(dir / "positions.json");
    for (const Book& book : {Book{"old-edition", 2, one, "One (old)"}, Book{"t", 5, two, "Two"},
                             Book{"gone", 1, test::FileUrl(dir / "gone.flip"), "Gone"}, Book{"o", 9, one, "One"},
                             Book{"web", 1, "https://example.org/x.flip", "Web"}})
        ASSERT_TRUE(positions.Remember(book));

    std::vector<std::string> titles;
    for (const auto& book : positions.Recent(8)) titles.push_back(book.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(positions.Recent(1).size(), 1u);
}

}  // namespace
}  // namespace brivane::document
