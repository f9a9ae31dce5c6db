#include "document/BuildConfig.h"
#include "document/ReaderConfiguration.h"
#include "document/WorkspaceClaim.h"
#include "document/WorkspaceSweeper.h"
#include "tests/support/WorkspaceFixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <set>

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::ArchiveExtractor;
using document::FlipbookFile;
using document::UnpackFailure;

const std::string HEX_ID = "0123456789ABCDEF0123456789abcdef012345678";  // 41 characters

struct NamingCase {
    const char* rule;
    std::string fileName;
    nlohmann::json id;
    std::optional<std::string> directory;
};

const NamingCase NAMING[] = {
    {"file name without its extension, hyphen, id as stored", "Book.flip", HEX_ID, "Book-" + HEX_ID},
    {"only the last extension goes", "Annual Report.final.flip", "x1", "Annual Report.final-x1"},
    {"a number is no id", "Book.flip", 5, std::nullopt},
    {"an id with a slash would leave the root", "Book.flip", "x/../../../victim", std::nullopt},
    {"an id with NUL", "Book.flip", std::string("a\0b", 3), std::nullopt},
    {"a name longer than a file name may be", "Book.flip", std::string(300, 'a'), std::nullopt},
};

class WorkspaceNaming : public ::testing::TestWithParam<NamingCase>, public WorkspaceFixture {};

TEST_P(WorkspaceNaming, NamesOneDirectoryDirectlyUnderTheRoot) {
    const NamingCase& c = GetParam();
    nlohmann::json meta = SampleMetadata();
    meta["id"] = c.id;
    FlipbookFile book(Flipbook(c.fileName, meta));
    CapturedLines log;
    auto url = book.GetWorkspaceURL();
    if (!c.directory) {
        EXPECT_FALSE(url) << c.rule;
        EXPECT_TRUE(log.lines.empty()) << c.rule;
        EXPECT_EQ(book.CreateCore(), std::nullopt) << c.rule << ": nothing may be removed or copied";
        return;
    }
    ASSERT_TRUE(url) << c.rule;
    EXPECT_EQ(PathOf(*url), Root() + "/" + *c.directory) << c.rule;
    EXPECT_EQ(log.lines, std::vector<std::string>{*url});
}

INSTANTIATE_TEST_SUITE_P(Table, WorkspaceNaming, ::testing::ValuesIn(NAMING));

TEST(WorkspaceMetadata, TextThatIsNotJsonPrintsTheParseLine) {
    WorkspaceFixture f;
    FlipbookFile book(FileUrl(f.files.Write("Broken.flip", ZipWriter().File("metadata.brivane", "{\"id\": ").Bytes())));
    CapturedLines log;
    EXPECT_FALSE(book.GetWorkspaceURL());
    EXPECT_EQ(log.lines, std::vector<std::string>{"Error parsing metadata GetMetadataSource"});
}

struct RootCase {
    const char* fault;
    std::function<void(const std::string& root, const std::string& elsewhere)> plant;
};

const RootCase UNSAFE_ROOTS[] = {
    {"a symlink to a directory we own",
     [](auto& root, auto& elsewhere) {
         mkdir(elsewhere.c_str(), 0700);
         fs::create_directory_symlink(elsewhere, root);
     }},
    {"readable by others", [](auto& root, auto&) { mkdir(root.c_str(), 0755); }},
    {"owned by another user",
     [](auto& root, auto&) {
         if (mkdir(root.c_str(), 0700) != 0 || lchown(root.c_str(), 65534, 65534) != 0)
             GTEST_SKIP() << "needs root to plant";
     }},
};

class UnsafeRoot : public ::testing::TestWithParam<RootCase>, public WorkspaceFixture {};

TEST_P(UnsafeRoot, GivesNoWorkspaceAndTouchesNothing) {
    const RootCase& c = GetParam();
    c.plant(Root(), files / "elsewhere");
    if (::testing::Test::IsSkipped()) return;
    std::string url = Flipbook("Book.flip");
    auto before = SnapshotTree(g_get_tmp_dir());
    CapturedLines log;
    EXPECT_FALSE(FlipbookFile(url).GetWorkspaceURL()) << c.fault;
    EXPECT_EQ(log.lines.size(), 1u) << c.fault;
    EXPECT_FALSE(FlipbookFile(url).CreateCore()) << c.fault;
    EXPECT_FALSE(FlipbookFile(url).ExtractZip()) << c.fault;
    EXPECT_EQ(SnapshotTree(g_get_tmp_dir()), before) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(Table, UnsafeRoot, ::testing::ValuesIn(UNSAFE_ROOTS));

class CreateCore : public ::testing::Test, public WorkspaceFixture {};

TEST_F(CreateCore, CopiesTheReaderCoreIntoAPrivateRootWithFourLines) {
    FlipbookFile book(Flipbook("Core.flip"));
    CapturedLines log;
    auto url = book.CreateCore();
    ASSERT_TRUE(url);
    ASSERT_EQ(log.lines.size(), 4u) << testing::PrintToString(log.lines);
    EXPECT_EQ(log.lines[0], *url);
    EXPECT_EQ(log.lines[1], "CreateCore inner");
    EXPECT_EQ(log.lines[3], PathOf(*url)) << "the plain path, not a URL";
    auto core = SnapshotTree(log.lines[3]);
    std::erase_if(core, [](const auto& item) { return item.first.find(".brivane-") != std::string::npos; });
    EXPECT_FALSE(core.empty());
    EXPECT_EQ(core, SnapshotTree(log.lines[2]));
}

TEST_F(CreateCore, ReplacesTheOldWorkspaceWithoutFollowingItsLinks) {
    std::string url = Flipbook("Again.flip");
    FlipbookFile first(url);
    first.CreateCore();
    ASSERT_TRUE(first.ExtractZip());
    const std::string data = DataPath(first);
    std::string outside = files.Write("outside/keep.txt", "keep");
    fs::create_directory_symlink(files / "outside", data + "/linked-dir");
    fs::create_symlink(outside, data + "/linked-file");
    fs::remove(data + "/../.brivane-complete");  // as an unpacking cut short leaves it

    CapturedLines log;
    FlipbookFile(url).CreateCore();
    EXPECT_EQ(log.lines.size(), 4u) << testing::PrintToString(log.lines);
    EXPECT_FALSE(fs::exists(data)) << "a fresh copy has no unfinished data directory";
    EXPECT_EQ(Read(outside), "keep");
}

// Built from the data directory's metadata copy, which the service writes
// with every "/" escaped: only escaped asset references are rewritten.
TEST(ReaderConfiguration, ComesFromTheStoredCopy) {
    WorkspaceFixture f;
    nlohmann::json meta = SampleMetadata();
    meta.update({{"escaped", "files/user/12/page1.jpg"}, {"word", "myfiles/toc"}, {"bg", "files/backgrounds/b.png"}});
    FlipbookFile book(f.Flipbook("Config.flip", meta,
                                 {ZipEntry{"files/user/12/page1.jpg", "jpg"}, ZipEntry{"files/toc/t.png", "png"}}));
    CapturedLines log;
    EXPECT_FALSE(book.GetReaderConfiguration()) << "none before the unpacking";
    EXPECT_EQ(log.lines, std::vector<std::string>{"nil tempPath"});
    ASSERT_TRUE(book.ExtractZip());
    const std::string dir = DataPath(book), data = FileUrl(dir);
    nlohmann::json config = book.GetReaderConfiguration().value_or(nullptr);
    ASSERT_TRUE(config.is_object());
    EXPECT_EQ(config.size(), 7u);
    EXPECT_EQ(config["thumbnailPath"], *book.tempPath);
    EXPECT_EQ(config["path"], data + "/flipbook.pdf");
    EXPECT_EQ(config["tocPath"], data + "/files/toc/");
    EXPECT_EQ(config["apiEndpoint"], SERVICE_BASE_URL);
    EXPECT_EQ(config["appVersion"].dump(), "1") << "an integer";
    EXPECT_EQ(config["appClient"], "mac");
    EXPECT_EQ(config["metadata"]["escaped"], data + "/files/user/" + "/12/page1.jpg");
    EXPECT_EQ(config["metadata"]["word"], "my" + data + "/files/toc/");
    EXPECT_EQ(config["metadata"]["bg"], data + "/files/backgrounds/b.png");

    const std::string stored = dir + "/metadata.brivane";
    Write(stored, "{\"plain\": \"files/user/x\"}");
    EXPECT_EQ(book.GetReaderConfiguration()->at("metadata")["plain"], "files/user/x");
    Write(stored, "not json");
    EXPECT_TRUE(book.GetReaderConfiguration()->at("metadata").is_null());
    Write(stored, "{\"bad\": \"\xFF\"}");
    EXPECT_EQ(book.GetReaderConfiguration()->at("metadata")["bad"], "\xEF\xBF\xBD")
        << "read lossily, as the check reads it";
    Write(stored, R"({"deep":)" + std::string(100000, '[') + std::string(100000, ']') + "}");
    const auto deep = book.GetReaderConfiguration();
    ASSERT_TRUE(deep);
    EXPECT_TRUE(deep->at("metadata").is_null());
    EXPECT_EQ(document::ReaderConfiguration::Text(*deep).find('\n'), std::string::npos) << "compact, and no throw";
    Write(stored, "{\"pad\": \"" + std::string(16 << 20, 'x') + "\"}");
    EXPECT_FALSE(book.GetReaderConfiguration()) << "a copy past the archive entry's bound is none we wrote";
}

// 320,000 references (a 7 MB entry, well under its bound) took 39 s to
// rewrite in place; one pass takes about 20 ms optimised, a second or so in a
// sanitized debug build.
TEST(ReaderConfigurationText, RewriteIsOnePass) {
    constexpr int REFERENCES = 320000;
    std::string text = "{\"pages\":[";
    for (int i = 0; i < REFERENCES; ++i) text += "\"files\\/user\\/p.jpg\",";
    text += "\"files\\/toc\"]}";
    const auto urlOf = [](const std::string& relative) { return "file:///w/data/" + relative; };
    const auto start = std::chrono::steady_clock::now();
    const std::string rewritten = document::ReaderConfiguration::RewriteAssetPaths(text, urlOf);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(rewritten.size(),
              text.size() + REFERENCES * (urlOf("files/user").size() - 11) + urlOf("files/toc").size() - 10);
}

// ---- Workspace identity: one workspace per file, never another's ----

// A first book is opened and held (or let go) as a window does; then a second
// file of the same name and id, with other pages, opens. It must read its own
// pages, and never take a workspace a window still shows.
struct SharingCase {
    const char* situation;
    std::string secondFolder;  // the first lies in "a"
    bool firstShown;
    std::string suffix;  // of the workspace the second gets
};

const SharingCase SHARING[] = {
    {"in another folder, first still shown", "b", true, "-2"},
    {"in another folder, first closed", "b", false, ""},
    {"the same path rewritten, first still shown", "a", true, "-2"},
};

class WorkspaceSharing : public ::testing::TestWithParam<SharingCase>, public WorkspaceFixture {};

TEST_P(WorkspaceSharing, EachWindowReadsItsOwnFile) {
    const SharingCase& c = GetParam();
    nlohmann::json meta = SampleMetadata();
    meta["id"] = "same-id";
    const std::string firstUrl = Flipbook("a/report.flip", meta, {}, MarkedPdf("one"));
    FlipbookFile first(firstUrl);
    auto held = first.ClaimWorkspace();
    ASSERT_TRUE(held);
    ASSERT_TRUE(first.ExtractZip());
    const std::string firstPdf = DataPath(first) + "/flipbook.pdf";
    if (!c.firstShown) held.reset();

    meta["title"] = "a longer title than the first book has";  // metadata of another length
    const std::string secondUrl = Flipbook(c.secondFolder + "/report.flip", meta, {}, MarkedPdf("two"));
    FlipbookFile second(secondUrl);
    ASSERT_TRUE(second.ExtractZip()) << c.situation;
    const std::string secondData = DataPath(second);
    EXPECT_EQ(fs::path(secondData).parent_path().filename(), "report-same-id" + c.suffix) << c.situation;
    EXPECT_EQ(Read(secondData + "/flipbook.pdf"), MarkedPdf("two")) << c.situation;
    EXPECT_EQ(FlipbookFile(secondUrl).GetWorkspaceURL().value_or("?") + "data", FileUrl(secondData))
        << c.situation << ": later steps find the same workspace";
    if (c.firstShown) {
        EXPECT_EQ(Read(firstPdf), MarkedPdf("one")) << c.situation << ": the first's pages stay";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WorkspaceSharing, ::testing::ValuesIn(SHARING));

// ---- Cancellation: a closed window stops its unpacking ----

// Stands for the window: it goes away at the moment the case names.
class Closing : public document::UnpackListener {
public:
    enum class When { InsideALargeEntry, AfterTheFirstFile };
    explicit Closing(When when) : when_(when) {}

    void Surveyed(const std::vector<document::ArchivedFile>&) override {}
    void Planned(std::uint64_t bytes) override { planned = bytes; }
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
    std::vector<ZipEntry> small;
    for (int i = 0; i < 20; ++i) small.push_back({"files/page" + std::to_string(i) + ".txt", std::string(1000, 'p')});
    const std::string url = Flipbook("Large.flip", SampleMetadata(), small, SamplePdf(32 << 20));

    FlipbookFile book(url);
    Closing window(GetParam());
    const auto unpacked = book.ExtractZip(&window);
    ASSERT_FALSE(unpacked);
    EXPECT_EQ(unpacked.Failure().cause, UnpackFailure::Cause::Cancelled);
    EXPECT_FALSE(book.tempPath);
    EXPECT_GT(window.planned, 0u);
    // Each writer finishes at most the piece it was writing.
    EXPECT_LE(window.copied - window.copiedAtClose, ArchiveExtractor::MAX_THREADS * (1u << 20));
    EXPECT_LT(window.copied, window.planned);
    const std::string workspace = PathOf(FlipbookFile(url).GetWorkspaceURL().value_or(""));
    EXPECT_FALSE(fs::exists(workspace + "/.brivane-complete"));
    if (fs::exists(workspace + "/data/flipbook.pdf")) {
        EXPECT_EQ(fs::file_size(workspace + "/data/flipbook.pdf"), 32u << 20) << "no part of a file looks whole";
    }

    FlipbookFile again(url);
    ASSERT_TRUE(again.ExtractZip()) << "the next opening unpacks afresh";
    EXPECT_EQ(fs::file_size(DataPath(again) + "/flipbook.pdf"), 32u << 20);
}

INSTANTIATE_TEST_SUITE_P(Table, Cancellation,
                         ::testing::Values(Closing::When::InsideALargeEntry, Closing::When::AfterTheFirstFile));

// ---- Clean-up: old workspaces nobody shows go, within a budget ----

struct SweepCase {
    const char* rule;
    std::size_t newest;
    std::uint64_t freeDivisor;
    std::set<int> held;  // books a window shows
    std::set<int> kept;  // books whose workspace stays; book 0 is the newest
};

constexpr std::uint64_t NO_ROOM = ~0ull;  // an allowance of nothing

const SweepCase SWEEPS[] = {
    {"the newest few stay", 2, 1, {}, {0, 1}},
    {"a shown workspace stays and is not counted", 2, 1, {0, 3}, {0, 1, 2, 3}},
    {"past the size bound nothing idle stays, a shown one still does", 3, NO_ROOM, {4}, {4}},
};

class Sweep : public ::testing::TestWithParam<SweepCase>, public WorkspaceFixture {};

TEST_P(Sweep, RemovesOnlyOurOwnIdleWorkspacesBeyondTheBudget) {
    const SweepCase& c = GetParam();
    constexpr int BOOKS = 5;
    std::vector<std::string> names;
    std::vector<std::optional<document::WorkspaceClaim>> windows(BOOKS);
    for (int i = 0; i < BOOKS; ++i) {
        FlipbookFile book(Flipbook("Book" + std::to_string(i) + ".flip"));
        ASSERT_TRUE(book.ExtractZip());
        names.push_back(fs::path(DataPath(book)).parent_path().filename());
        // Opened i hours ago.
        const struct timespec when[2] = {{time(nullptr) - i * 3600, 0}, {time(nullptr) - i * 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (Root() + "/" + names.back() + "/.brivane-lock").c_str(), when, 0), 0);
        if (c.held.count(i)) windows[i] = book.ClaimWorkspace();
    }
    // Not ours: no identity file, a link to a workspace elsewhere.
    fs::create_directories(Root() + "/not-ours/data");
    files.Write("elsewhere/.brivane-identity", "{}");
    fs::create_directory_symlink(files / "elsewhere", Root() + "/linked");
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
    EXPECT_FALSE(fs::exists(Root() + "/.removing-1-0")) << c.rule;
}

INSTANTIATE_TEST_SUITE_P(Table, Sweep, ::testing::ValuesIn(SWEEPS));

}  // namespace
}  // namespace brivane::test
