#include "document/BuildConfig.h"
#include "document/ReaderConfiguration.h"
#include "tests/support/WorkspaceFixture.h"

#include <sys/socket.h>
#include <sys/wait.h>

#include <chrono>

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::FlipbookFile;

const std::string HEX_ID = "0123456789abcdef0123456789abcdef012345678";  // 41 characters

struct NamingCase {
    const char* rule;
    std::string fileName;
    nlohmann::json id;
    std::optional<std::string> directory;
};

const NamingCase NAMING[] = {
    {"file name without its extension, hyphen, id", "Book.flip", HEX_ID, "Book-" + HEX_ID},
    {"id used as stored, upper case kept", "Book.flip", "ABCDEF", "Book-ABCDEF"},
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
    mkdir(Root().c_str(), 0700);
    fs::create_directories(PathOf(*url));
    EXPECT_EQ(book.GetWorkspaceURL().value_or("?").back(), '/') << "an existing directory's URL ends with a slash";
}

INSTANTIATE_TEST_SUITE_P(Table, WorkspaceNaming, ::testing::ValuesIn(NAMING));

TEST(WorkspaceMetadata, TextThatIsNotJsonPrintsTheParseLine) {
    WorkspaceFixture f;
    ZipWriter().File("metadata.brivane", "{\"id\": ").WriteTo(f.files / "Broken.flip");
    CapturedLines log;
    EXPECT_FALSE(FlipbookFile(FileUrl(f.files / "Broken.flip")).GetWorkspaceURL());
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
    {"a regular file", [](auto& root, auto&) { Write(root, "x"); }},
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
    fs::remove_all(Root());
    c.plant(Root(), files / "elsewhere");
    if (::testing::Test::IsSkipped()) return;
    std::string url = Flipbook("Book.flip");
    auto before = SnapshotTree(g_get_tmp_dir());
    CapturedLines log;
    EXPECT_FALSE(FlipbookFile(url).GetWorkspaceURL()) << c.fault;
    EXPECT_EQ(log.lines.size(), 1u) << c.fault;
    EXPECT_FALSE(FlipbookFile(url).CreateCore()) << c.fault;
    FlipbookFile book(url);
    EXPECT_FALSE(book.ExtractZip()) << c.fault;
    EXPECT_FALSE(book.tempPath) << c.fault;
    EXPECT_EQ(SnapshotTree(g_get_tmp_dir()), before) << c.fault;
    fs::remove_all(Root());
}

INSTANTIATE_TEST_SUITE_P(Table, UnsafeRoot, ::testing::ValuesIn(UNSAFE_ROOTS));

class CreateCore : public ::testing::Test, public WorkspaceFixture {};

TEST_F(CreateCore, CopiesTheReaderCoreIntoAPrivateRootWithFourLines) {
    fs::remove_all(Root());
    FlipbookFile book(Flipbook("Core.flip"));
    CapturedLines log;
    auto url = book.CreateCore();
    ASSERT_TRUE(url);
    ASSERT_EQ(log.lines.size(), 4u) << testing::PrintToString(log.lines);
    EXPECT_EQ(log.lines[0], *url);
    EXPECT_EQ(log.lines[1], "CreateCore inner");
    EXPECT_EQ(log.lines[3], PathOf(*url)) << "the plain path, not a URL";
    struct stat st;
    ASSERT_EQ(stat(Root().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    auto core = SnapshotTree(log.lines[3]);
    std::erase_if(core, [](const auto& item) { return IsBookkeeping(item.first); });
    EXPECT_FALSE(core.empty());
    EXPECT_EQ(core, SnapshotTree(log.lines[2]));
}

TEST_F(CreateCore, ReplacesTheOldWorkspaceWithoutFollowingItsLinks) {
    std::string url = Flipbook("Again.flip");
    FlipbookFile first(url);
    first.CreateCore();
    ASSERT_TRUE(first.ExtractZip());
    ASSERT_TRUE(first.tempPath);
    std::string data = PathOf(*first.tempPath);
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

TEST(ReaderConfiguration, WithoutTempPathThereIsNone) {
    FlipbookFile book("file:///nowhere.flip");
    CapturedLines log;
    EXPECT_FALSE(book.GetReaderConfiguration());
    EXPECT_EQ(log.lines, std::vector<std::string>{"nil tempPath"});
}

// Built from the data directory's metadata copy, which the service writes
// with every "/" escaped: only escaped asset references are rewritten.
TEST(ReaderConfiguration, ComesFromTheStoredCopy) {
    WorkspaceFixture f;
    nlohmann::json meta = SampleMetadata();
    meta.update({{"escaped", "files/user/12/page1.jpg"}, {"word", "myfiles/toc"}, {"bg", "files/backgrounds/b.png"}});
    FlipbookFile book(f.Flipbook("Config.flip", meta,
                                 {ZipEntry{"files/user/12/page1.jpg", "jpg"}, ZipEntry{"files/toc/t.png", "png"}}));
    ASSERT_TRUE(book.ExtractZip());
    std::string data = *book.tempPath;
    if (data.back() == '/') data.pop_back();
    nlohmann::json config = book.GetReaderConfiguration().value_or(nullptr);
    ASSERT_TRUE(config.is_object());
    EXPECT_EQ(config.size(), 7u);
    EXPECT_EQ(config["thumbnailPath"], *book.tempPath);
    EXPECT_EQ(config["path"], data + "/flipbook.pdf");
    EXPECT_EQ(config["tocPath"], data + "/files/toc/");
    EXPECT_EQ(config["apiEndpoint"], SERVICE_BASE_URL);
    EXPECT_TRUE(config["appVersion"].is_number_integer());
    EXPECT_EQ(config["appVersion"], 1);
    EXPECT_EQ(config["appClient"], "mac");
    EXPECT_TRUE(fs::exists(PathOf(config["path"])));
    EXPECT_EQ(config["metadata"]["escaped"], data + "/files/user/" + "/12/page1.jpg");
    EXPECT_TRUE(fs::exists(PathOf(config["metadata"]["escaped"])));
    EXPECT_EQ(config["metadata"]["word"], "my" + data + "/files/toc/");
    EXPECT_EQ(config["metadata"]["bg"], data + "/files/backgrounds/b.png");

    const std::string stored = PathOf(data) + "/metadata.brivane";
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
    EXPECT_EQ(rewritten.find("files\\/"), std::string::npos);
    EXPECT_EQ(rewritten.size(),
              text.size() + REFERENCES * (urlOf("files/user").size() - 11) + urlOf("files/toc").size() - 10);
}

// ---- Workspace identity: one workspace per file, never another's ----

// A first book is opened and held (or let go) as a window does; then a second
// opens. It must read its own pages, from the first's workspace only when it
// is the very same file.
struct SharingCase {
    const char* situation;
    const char* secondFolder;  // the first lies in "a"; none: the first file itself
    std::string secondMark;    // "one" is the first's PDF
    enum class Shown { No, HereToo, ByAnotherProcess } first;
    std::string suffix;  // of the workspace the second gets
};

void PrintTo(const SharingCase& c, std::ostream* os) { *os << c.situation; }

const SharingCase SHARING[] = {
    {"the same file in a second window", nullptr, "one", SharingCase::Shown::HereToo, ""},
    {"same name and id in another folder, first still shown", "b", "two", SharingCase::Shown::HereToo, "-2"},
    {"same name and id in another folder, first shown by another process", "b", "two",
     SharingCase::Shown::ByAnotherProcess, "-2"},
    {"same name and id in another folder, first closed", "b", "two", SharingCase::Shown::No, ""},
    {"the same path rewritten with other pages, first still shown", "a", "two", SharingCase::Shown::HereToo, "-2"},
};

class WorkspaceSharing : public ::testing::TestWithParam<SharingCase>, public WorkspaceFixture {};

TEST_P(WorkspaceSharing, EachWindowReadsItsOwnFile) {
    const SharingCase& c = GetParam();
    fs::remove_all(Root());
    nlohmann::json meta = SampleMetadata();
    meta["id"] = "same-id";
    const std::string firstUrl = MarkedFlipbook("a", "report.flip", "one", meta);
    FlipbookFile first(firstUrl);
    auto held = first.ClaimWorkspace();
    ASSERT_TRUE(held);
    ASSERT_TRUE(first.ExtractZip());
    ASSERT_TRUE(first.tempPath);
    const std::string firstPdf = PathOf(*first.tempPath) + "/flipbook.pdf";
    if (c.first != SharingCase::Shown::HereToo) held.reset();
    // Another process holds it until this end of the socket closes.
    int link[2] = {-1, -1};
    pid_t other = -1;
    if (c.first == SharingCase::Shown::ByAnotherProcess) {
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, link), 0);
        other = fork();
        if (other == 0) {
            close(link[0]);
            auto claim = FlipbookFile(firstUrl).ClaimWorkspace();
            char byte = claim ? 'y' : 'n';
            _exit(write(link[1], &byte, 1) == 1 && read(link[1], &byte, 1) >= 0 ? 0 : 1);
        }
        close(link[1]);
        char byte = 0;
        if (read(link[0], &byte, 1) != 1 || byte != 'y') {
            close(link[0]);
            waitpid(other, nullptr, 0);
            FAIL() << "the other process could not claim the first book";
        }
    }

    meta["title"] = "a longer title than the first book has";  // metadata of another length
    const std::string secondUrl =
        c.secondFolder ? MarkedFlipbook(c.secondFolder, "report.flip", c.secondMark, meta) : firstUrl;
    FlipbookFile second(secondUrl);
    ASSERT_TRUE(second.ExtractZip()) << c.situation;
    ASSERT_TRUE(second.tempPath) << c.situation;
    std::string secondData = *second.tempPath;
    if (secondData.back() == '/') secondData.pop_back();
    EXPECT_EQ(fs::path(PathOf(secondData)).parent_path().filename(), "report-same-id" + c.suffix) << c.situation;
    EXPECT_EQ(Read(PathOf(secondData) + "/flipbook.pdf"), MarkedPdf(c.secondMark)) << c.situation;
    EXPECT_EQ(FlipbookFile(secondUrl).GetWorkspaceURL().value_or("?") + "data", secondData)
        << c.situation << ": later steps find the same workspace";
    if (c.first != SharingCase::Shown::No) {
        EXPECT_EQ(Read(firstPdf), MarkedPdf("one")) << c.situation << ": the first's pages stay";
    }
    if (other > 0) {
        close(link[0]);
        waitpid(other, nullptr, 0);
    }
    fs::remove_all(Root());
}

INSTANTIATE_TEST_SUITE_P(Table, WorkspaceSharing, ::testing::ValuesIn(SHARING));

}  // namespace
}  // namespace brivane::test
