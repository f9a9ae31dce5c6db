#include "ReadingPositions.h"

#include "CapturedLines.h"
#include "TempDir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>

namespace brivane::document {
namespace {

using Book = ReadingPositions::Book;
namespace fs = std::filesystem;

const std::string HEAD = R"({"format": "brivane-reader-positions", "version": 1, "books": )";

TEST(ReadingPositionsTest, ParseKeepsUsableRecordsAndRefusesForeignFiles) {
    struct Case {
        std::string text;
        std::optional<std::vector<Book>> want;
    };
    const Book a{"a", 3, "file:///a.flip", "A"};
    const std::vector<Case> cases = {
        {HEAD + R"([{"id": "a", "page": 3, "file": "file:///a.flip", "title": "A"}]})", std::vector{a}},
        // Bad records are skipped one by one: zero or fractional pages, no id, a repeated id.
        {HEAD + R"([{"id": "a", "page": 3, "file": "file:///a.flip", "title": "A"}, {"id": "b", "page": 0, "file": ""},
                    {"id": "c", "page": 2.5, "file": ""}, {"page": 2, "file": ""}, 7,
                    {"id": "a", "page": 9, "file": "file:///a.flip"}]})",
         std::vector{a}},
        {R"({"format": "other", "version": 1, "books": []})", std::nullopt},
        {R"({"format": "brivane-reader-positions", "version": 2, "books": []})", std::nullopt},
        {R"({"format": "brivane-reader-positions", "version": 1, "books": {}})", std::nullopt},
        {R"([1, 2])", std::nullopt},
        {HEAD + R"([{"id": "a", "pa)", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadingPositions::Parse(c.text), c.want) << c.text;
}

TEST(ReadingPositionsTest, RememberPutsTheBookFirstAndKeepsTheNewestFiveHundred) {
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
    EXPECT_EQ(positions.PageOf("id30"), 12);
    EXPECT_EQ(positions.PageOf("id20"), std::nullopt) << "the oldest falls off";
    EXPECT_EQ(positions.PageOf("id21"), 1 + 21 % 7);
    // Written by rename: nothing but the file and its lock is left in the directory.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(positions.Path()).parent_path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"positions.json", "positions.json.lock"}));
}

TEST(ReadingPositionsTest, DamagedFileIsReportedOnceAndReplaced) {
    test::TempDir dir;
    const std::string path = dir.Write("positions.json", "{\"format\": \"brivane-reader-positions\", \"books\": [");
    test::CapturedLines lines;
    const ReadingPositions positions(path);
    EXPECT_EQ(positions.PageOf("a"), std::nullopt);
    ASSERT_TRUE(positions.Remember({"a", 4, "file:///a.flip", "A"}));
    EXPECT_EQ(lines.lines, std::vector<std::string>{"Ignoring unreadable reading positions: " + path});
    EXPECT_EQ(positions.PageOf("a"), 4);
}

// The view state rides in the same records: each bad field is dropped alone,
// and a record of the first format (no state) keeps its page.
TEST(ReadingPositionsTest, ViewStateFieldsAreKeptOrDroppedOneByOne) {
    struct Case {
        std::string fields;
        ViewState want;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {R"(, "view": "single", "fit": "width", "zoom": 1.5, "direction": "rtl")", {"single", "width", 1.5, "rtl"}},
        {R"(, "view": "scroll", "zoom": 8, "direction": "ltr")", {"scroll", {}, 8.0, "ltr"}},
        {R"(, "zoom": 0.25, "fit": "page")", {{}, "page", 0.25, {}}},
        {R"(, "view": "diagonal", "fit": "width", "zoom": 9, "direction": "up")", {{}, "width", {}, {}}},
        {R"(, "view": 1, "fit": null, "zoom": "2", "direction": ["rtl"], "colour": "red")", {}},
        {R"(, "view": "SPREAD", "zoom": 0.1, "direction": "rtl")", {{}, {}, {}, "rtl"}},
        {R"(, "zoom": -1, "zoom2": 3, "fit": "page ")", {}},
    };
    for (const auto& c : cases) {
        const auto books =
            ReadingPositions::Parse(HEAD + R"([{"id": "a", "page": 3, "file": "f", "title": "A")" + c.fields + "}]}");
        ASSERT_TRUE(books) << c.fields;
        ASSERT_EQ(books->size(), 1u) << c.fields;
        EXPECT_EQ(books->front(), (Book{"a", 3, "f", "A", c.want})) << c.fields;
        // What is written reads back the same.
        EXPECT_EQ(ReadingPositions::Parse(ReadingPositions::Serialize(*books)), books) << c.fields;
    }
}

// A start window reads the store on the main thread: whatever stands at the
// path, it must answer at once, say so once, and let the next write replace it.
TEST(ReadingPositionsTest, OnlyARegularFileOfSaneSizeIsRead) {
    struct Case {
        std::string name;
        std::function<void(const std::string& path, const test::TempDir& dir)> make;
        std::optional<int> page;  // what is read before the next write
        bool reported;
    };
    const std::string good = HEAD + R"([{"id": "a", "page": 6, "file": "f"}]})";
    const std::vector<Case> cases = {
        {"pipe", [](const std::string& path, const test::TempDir&) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
         std::nullopt, true},
        {"link to an endless device",
         [](const std::string& path, const test::TempDir&) { fs::create_symlink("/dev/zero", path); }, std::nullopt,
         true},
        {"oversized",
         [](const std::string& path, const test::TempDir&) {
             test::Write(path, std::string(ReadingPositions::MAX_BYTES + 1, ' '));
         },
         std::nullopt, true},
        {"link to a regular file",
         [&](const std::string& path, const test::TempDir& dir) {
             fs::create_symlink(dir.Write("real.json", good), path);
         },
         6, false},
        {"missing", [](const std::string&, const test::TempDir&) {}, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string path = dir / "positions.json";
        c.make(path, dir);
        test::CapturedLines lines;
        const ReadingPositions positions(path);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(positions.PageOf("a"), c.page);
        EXPECT_EQ(positions.PageOf("a"), c.page);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(lines.lines.size(), c.reported ? 1u : 0u);
        ASSERT_TRUE(positions.Remember({"b", 2, "f", "B"}));
        EXPECT_EQ(positions.PageOf("b"), 2);
        EXPECT_EQ(positions.PageOf("a"), c.page);
    }
}

// Two processes remembering at once used to lose most of each other's books:
// every write must be read, merged and replaced under one lock.
TEST(ReadingPositionsTest, TwoProcessesWritingAtOnceKeepEveryBook) {
    test::TempDir dir;
    const ReadingPositions positions(dir / "positions.json");
    constexpr int EACH = 200;
    const auto remember = [&](const std::string& prefix) {
        bool ok = true;
        for (int i = 0; i < EACH; ++i)
            ok = positions.Remember({prefix + std::to_string(i), 1 + i % 9, "", "", {"single", {}, 2.0, {}}}) && ok;
        return ok;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(remember("child-") ? 0 : 1);
    const bool ok = remember("parent-");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const auto books = ReadingPositions::Parse(test::Read(positions.Path()));
    ASSERT_TRUE(books);
    EXPECT_EQ(books->size(), 2u * EACH);
    EXPECT_EQ(positions.Find("child-17"), (Book{"child-17", 1 + 17 % 9, "", "", {"single", {}, 2.0, {}}}));
    EXPECT_EQ(positions.PageOf("parent-199"), 1 + 199 % 9);
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

TEST(ReadingPositionsTest, UnwritableDirectoryFailsWithoutThrowing) {
    test::TempDir dir;
    test::Write(dir / "file", "x");
    EXPECT_FALSE(ReadingPositions(dir / "file/positions.json").Remember({"a", 1, "", ""}));
}

}  // namespace
}  // namespace brivane::document
