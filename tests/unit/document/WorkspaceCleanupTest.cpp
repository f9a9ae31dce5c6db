#include "document/WorkspaceClaim.h"
#include "document/WorkspaceSweeper.h"
#include "document/archive/ArchiveExtractor.h"
#include "tests/support/WorkspaceFixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <set>

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::ArchiveExtractor;
using document::FlipbookFile;
using document::UnpackFailure;

// ---- Cancellation: a closed window stops its unpacking ----

// Stands for the window: it goes away at the moment the case names.
class Closing : public document::UnpackListener {
public:
    enum class When { BeforeTheFirstWrite, InsideALargeEntry, AfterTheFirstFile };
    explicit Closing(When when) : when_(when) {}

    void Surveyed(const std::vector<document::ArchivedFile>&) override {}
    void Planned(std::uint64_t bytes) override { planned = bytes, Close(When::BeforeTheFirstWrite); }
    void Copied(std::uint64_t bytes) override { copied += bytes, Close(When::InsideALargeEntry); }
    void Written(const std::string&) override { Close(When::AfterTheFirstFile); }
    bool Cancelled() const override { return closed; }

    std::atomic<std::uint64_t> planned{0}, copied{0}, copiedAtClose{0};

private:
    void Close(When now) {
        if (now == when_ && !closed.exchange(true)) copiedAtClose = copied.load();
    }
    When when_;
    std::atomic<bool> closed{false};
};

class Cancellation : public ::testing::TestWithParam<Closing::When>, public WorkspaceFixture {};

TEST_P(Cancellation, StopsSoonAndLeavesTheWorkspaceIncomplete) {
    fs::remove_all(Root());
    const std::string path = files / "Large.flip";
    std::vector<ZipEntry> small;
    for (int i = 0; i < 20; ++i) small.push_back({"files/page" + std::to_string(i) + ".txt", std::string(1000, 'p')});
    ValidFlipbook(SampleMetadata(), SamplePdf(32 << 20), small).WriteTo(path);

    FlipbookFile book(FileUrl(path));
    Closing window(GetParam());
    const auto unpacked = book.ExtractZip(&window);
    ASSERT_FALSE(unpacked);
    EXPECT_EQ(unpacked.Failure().cause, UnpackFailure::Cause::Cancelled);
    EXPECT_FALSE(book.tempPath);
    EXPECT_GT(window.planned, 0u);
    // Each writer finishes at most the piece it was writing.
    EXPECT_LE(window.copied - window.copiedAtClose, ArchiveExtractor::MAX_THREADS * (1u << 20));
    EXPECT_LT(window.copied, window.planned);
    const std::string workspace = PathOf(FlipbookFile(FileUrl(path)).GetWorkspaceURL().value_or(""));
    EXPECT_FALSE(fs::exists(workspace + "/.brivane-complete"));
    if (fs::exists(workspace + "/data/flipbook.pdf")) {
        EXPECT_EQ(fs::file_size(workspace + "/data/flipbook.pdf"), 32u << 20) << "no part of a file looks whole";
    }

    FlipbookFile again(FileUrl(path));
    ASSERT_TRUE(again.ExtractZip()) << "the next opening unpacks afresh";
    ASSERT_TRUE(again.tempPath);
    EXPECT_EQ(fs::file_size(PathOf(*again.tempPath) + "/flipbook.pdf"), 32u << 20);
    fs::remove_all(Root());
}

INSTANTIATE_TEST_SUITE_P(Table, Cancellation,
                         ::testing::Values(Closing::When::BeforeTheFirstWrite, Closing::When::InsideALargeEntry,
                                           Closing::When::AfterTheFirstFile));

// ---- Clean-up: old workspaces nobody shows go, within a budget ----

struct SweepCase {
    const char* rule;
    std::size_t newest;
    std::uint64_t freeDivisor;
    std::set<int> held;  // books a window shows
    std::set<int> kept;  // books whose workspace stays; book 0 is the newest
};

void PrintTo(const SweepCase& c, std::ostream* os) { *os << c.rule; }

constexpr std::uint64_t NO_ROOM = ~0ull;  // an allowance of nothing

const SweepCase SWEEPS[] = {
    {"the newest few stay", 2, 1, {}, {0, 1}},
    {"a shown workspace stays and is not counted", 2, 1, {0, 3}, {0, 1, 2, 3}},
    {"past the size bound nothing idle stays", 3, NO_ROOM, {}, {}},
    {"past the size bound a shown one still stays", 3, NO_ROOM, {4}, {4}},
};

class Sweep : public ::testing::TestWithParam<SweepCase>, public WorkspaceFixture {};

TEST_P(Sweep, RemovesOnlyOurOwnIdleWorkspacesBeyondTheBudget) {
    const SweepCase& c = GetParam();
    fs::remove_all(Root());
    constexpr int BOOKS = 5;
    std::vector<std::string> names;
    std::vector<std::optional<document::WorkspaceClaim>> windows(BOOKS);
    for (int i = 0; i < BOOKS; ++i) {
        FlipbookFile book(Flipbook("Book" + std::to_string(i) + ".flip"));
        ASSERT_TRUE(book.ExtractZip());
        ASSERT_TRUE(book.tempPath);
        std::string data = PathOf(*book.tempPath);
        if (data.back() == '/') data.pop_back();
        names.push_back(fs::path(data).parent_path().filename());
        // Opened i hours ago.
        const struct timespec when[2] = {{time(nullptr) - i * 3600, 0}, {time(nullptr) - i * 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (Root() + "/" + names.back() + "/.brivane-lock").c_str(), when, 0), 0);
        if (c.held.count(i)) windows[i] = book.ClaimWorkspace();
    }
    // Not ours: no identity file, a link to a workspace elsewhere, a file.
    fs::create_directories(Root() + "/not-ours/data");
    files.Write("elsewhere/.brivane-identity", "{}");
    fs::create_directory_symlink(files / "elsewhere", Root() + "/linked");
    Write(Root() + "/stray", "x");
    // Left by a clean-up cut short.
    fs::create_directories(Root() + "/.removing-1-0/data");
    Write(Root() + "/.removing-1-0/.brivane-identity", "{}");

    const auto removed = document::WorkspaceSweeper::Sweep(Root(), {c.newest, c.freeDivisor});
    for (int i = 0; i < BOOKS; ++i)
        EXPECT_EQ(fs::exists(Root() + "/" + names[i] + "/data/flipbook.pdf"), c.kept.count(i) == 1)
            << c.rule << ": book " << i;
    EXPECT_EQ(removed.size(), BOOKS - c.kept.size()) << c.rule;
    EXPECT_TRUE(fs::exists(Root() + "/not-ours/data")) << c.rule;
    EXPECT_TRUE(fs::exists(files / "elsewhere/.brivane-identity")) << c.rule;
    EXPECT_TRUE(fs::is_symlink(Root() + "/linked")) << c.rule;
    EXPECT_TRUE(fs::exists(Root() + "/stray")) << c.rule;
    EXPECT_FALSE(fs::exists(Root() + "/.removing-1-0")) << c.rule;
    windows.clear();
    fs::remove_all(Root());
}

INSTANTIATE_TEST_SUITE_P(Table, Sweep, ::testing::ValuesIn(SWEEPS));

}  // namespace
}  // namespace brivane::test
