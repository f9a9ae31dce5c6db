#include "ReadingPositions.h"

#include "CapturedLines.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    // Written by rename: nothing but the file itself is left in the directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(positions.Path()).parent_path()), {}), 1);
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
