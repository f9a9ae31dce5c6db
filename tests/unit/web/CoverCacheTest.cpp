#include "web/CoverCache.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <set>

namespace brivane::web {
namespace {

namespace fs = std::filesystem;

const std::string PNG = std::string("\x89PNG\r\n\x1a\n", 8) + "rest of the picture";

// Book ids come from the book's own metadata: whatever they hold, they only
// ever pick a file name of hex digits in the cache directory.
TEST(CoverCacheTest, KeysAreFixedHexNamesWhateverTheId) {
    const std::string ids[] = {"800-600-20-1048576", "../../etc/passwd", "", "a/b", std::string("\0x", 2), "é"};
    std::set<std::string> keys;
    for (const auto& id : ids) {
        const std::string key = CoverCache::KeyOf(id);
        EXPECT_EQ(key.size(), 64u + 6u) << id;
        EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), 64u) << id;
        EXPECT_TRUE(key.ends_with(".cover")) << id;
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), std::size(ids));
}

// A cover is good only for the book file it was drawn from: one replaced
// since (other size or time of change) is drawn again.
TEST(CoverCacheTest, ACoverIsFoundOnlyForTheSameBookFile) {
    const CoverCache::Stamp stamp{1048576, 1'700'000'000'123'456'789};
    const CoverCache::Cover cover{PNG, 352};
    const struct {
        const char* why;
        std::string id;
        CoverCache::Stamp asked;
        bool found;
    } cases[] = {
        {"same book", "id-1", stamp, true},
        {"other id", "id-2", stamp, false},
        {"file grew", "id-1", {1048577, stamp.modifiedNs}, false},
        {"file touched", "id-1", {stamp.size, stamp.modifiedNs + 1}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        test::TempDir dir;
        const CoverCache cache(dir / "covers");
        ASSERT_TRUE(cache.Store("id-1", stamp, cover));
        const auto found = cache.Find(c.id, c.asked);
        EXPECT_EQ(found.has_value(), c.found);
        if (found) {
            EXPECT_EQ(*found, cover);
        }
    }
}

// What another program or a crash left in the cache is never shown as a cover.
TEST(CoverCacheTest, DamagedOrForeignFilesAreNotCovers) {
    const std::string head = "brivane-cover 1 12 100 5\n";
    const struct {
        std::string bytes;
        bool parsed;
    } cases[] = {
        {head + PNG, true},
        {head, true},  // nothing could be drawn: the placeholder
        {"brivane-cover 2 12 100 5\n" + PNG, false},
        {"brivane-cover 1 -1 100 5\n" + PNG, false},
        {"brivane-cover 1 12 100\n" + PNG, false},
        {"brivane-cover 1 12 100 5 " + PNG, false},
        {head + "<svg onload=alert(1)>", false},
        {head + PNG + std::string(CoverCache::MAX_COVER_BYTES, 'x'), false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 40));
        EXPECT_EQ(CoverCache::Parse(c.bytes).has_value(), c.parsed);
    }
    test::TempDir dir;
    const CoverCache cache(dir.Path());
    test::Write(dir / CoverCache::KeyOf("id"), "brivane-cover 1 3 1 1\nnot a png");
    EXPECT_FALSE(cache.Find("id", {1, 1}));
}

// The cache stays within its bound; the covers used longest ago go first,
// and a cover just looked at counts as used.
TEST(CoverCacheTest, TheBoundDropsTheLeastRecentlyUsed) {
    const std::string picture = PNG + std::string(1000, 'p');
    const auto bytes = CoverCache::Serialize({picture, 1}, {1, 1}).size();
    const struct {
        const char* why;
        std::vector<std::string> stored;
        std::vector<std::string> looked;  // between the first stores and the last
        std::vector<std::string> kept;
    } cases[] = {
        {"room for all", {"a", "b"}, {}, {"a", "b"}},
        {"oldest goes", {"a", "b", "c", "d"}, {}, {"b", "c", "d"}},
        {"looked at stays", {"a", "b", "c", "d"}, {"a"}, {"a", "c", "d"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        test::TempDir dir;
        const CoverCache cache(dir.Path(), 3 * bytes);
        const auto at = fs::file_time_type::clock::now();
        for (std::size_t i = 0; i < c.stored.size(); ++i) {
            if (i + 1 == c.stored.size())
                for (const auto& id : c.looked) {
                    ASSERT_TRUE(cache.Find(id, {1, 1}));
                }
            ASSERT_TRUE(cache.Store(c.stored[i], {1, 1}, {picture, 1}));
            // Distinct times of use without sleeping.
            if (i + 1 < c.stored.size())
                fs::last_write_time(dir / CoverCache::KeyOf(c.stored[i]), at - std::chrono::hours(10 - i));
        }
        std::vector<std::string> kept;
        for (const auto& id : c.stored)
            if (cache.Find(id, {1, 1})) kept.push_back(id);
        EXPECT_EQ(kept, c.kept);
    }
}

}  // namespace
}  // namespace brivane::web
