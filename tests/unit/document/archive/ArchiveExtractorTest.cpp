#include "document/archive/ArchiveExtractor.h"
#include "document/archive/EntryPath.h"
#include "tests/support/WorkspaceFixture.h"

#include <gtest/gtest.h>

namespace brivane::test {
namespace {

using document::ArchiveExtractor;
using Kind = ZipEntry::Kind;

ZipEntry Link(std::string name, std::string target) {
    return {.name = std::move(name), .data = std::move(target), .kind = Kind::Symlink};
}

// Archive bytes: a good first entry, then these.
std::string Of(std::vector<ZipEntry> entries) {
    ZipWriter zip;
    zip.File("first.txt", "written before the failure");
    for (auto& e : entries) zip.Add(std::move(e));
    return zip.Bytes();
}

// The entries follow a good first one; reason is part of the failure
// description; truncate cuts the last 30 bytes.
struct HostileCase {
    const char* fault;
    std::vector<ZipEntry> entries;
    const char* reason;
    bool truncate = false;
};

const HostileCase HOSTILE[] = {
    {"parent component climbs out", {{"../outside/evil.txt", "x"}}, "../outside/evil.txt: leads outside the workspace"},
    {"control character in a name", {{"a\nb.txt", "x"}}, "a\\x0Ab.txt: name is not printable"},
    {"name flagged UTF-8 but not UTF-8", {{"a\xFF.txt", "x"}}, "not a readable archive"},
    {"link to an absolute path", {Link("passwd", "/etc/passwd")}, "passwd: leads outside the workspace"},
    {"link climbing out, then a file through it",
     {Link("up", "../outside"), {"up/evil.txt", "x"}},
     "up: leads outside"},
    {"link to an inner directory, then entries beneath it",
     {{.name = "sub/", .kind = Kind::Directory}, Link("d", "sub"), {"d/x.txt", "x"}},
     "cannot enter parent directory"},
    {"link replaced by a file of the same name", {Link("s", "first.txt"), {"s", "overwrite"}}, "s: already exists"},
    {"the same file spelled with ./ and //", {{"./d//x.txt", "1"}, {"d/x.txt", "2"}}, "d/x.txt: already exists"},
    {"link chain composed on disk (a -> ., then c -> a/..)",
     {Link("a", "."), Link("c", "a/..")},
     "leads outside the workspace"},
    {"link chain composed afterwards (c -> a/.., then a -> .)",
     {Link("c", "a/.."), Link("a", ".")},
     "leads outside the workspace"},
    {"CRC-32 mismatch mid-archive",
     {{.name = "bad.txt", .data = "payload", .crc = 0x12345678}, {"after.txt", "never written"}},
     "bad.txt: CRC mismatch"},
    {"CRC-32 mismatch in a large deflated entry (unpacked apart)",
     {{.name = "big.bin", .data = std::string(ArchiveExtractor::LARGE_ENTRY + 1000, 'z'), .method = 8, .crc = 1}},
     "big.bin: CRC mismatch"},
    {"truncated archive", {{"x.txt", "x"}}, "not a readable archive", true},
    {"declared size smaller than the data",
     {{.name = "liar.txt", .data = std::string(5000, 'a'), .declaredSize = 10}},
     "more data than declared"},
    {"declared size larger than the data", {{.name = "short.txt", .data = "abc", .declaredSize = 100}}, ""},
    {"unsupported compression method",
     {{.name = "odd.bin", .data = "x", .method = 93}},
     "odd.bin: compression method 93 is not supported"},
    {"encrypted entry", {{.name = "secret.bin", .data = "x", .encrypted = true}}, "secret.bin: encrypted"},
    {"character device entry", {{.name = "dev", .unixMode = 020644}}, "dev: not a file"},
    {"zip bomb declaring far more than the archive holds",
     {{.name = "bomb.bin", .data = "tiny", .declaredSize = 300ull << 20}},
     "expands to"},
    {"declared size beyond the free disk space",
     {{.name = "huge.bin", .data = "tiny", .zip64 = true, .declaredSize = 1ull << 60}},
     "free"},
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.fault; }

class HostileArchive : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileArchive, FailsWithoutReachingOutsideTheDestination) {
    const HostileCase& c = GetParam();
    Unpacking s;
    const std::string bytes = Of(c.entries);
    Write(s.archive, c.truncate ? bytes.substr(0, bytes.size() - 30) : bytes);
    auto before = SnapshotTree(s.dir.Path(), "dest");
    const auto unpacked = ArchiveExtractor::Unpack(s.archive, s.dest);
    ASSERT_FALSE(unpacked);
    const std::string line = unpacked.Failure().Line();
    EXPECT_NE(line.find(c.reason), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(SnapshotTree(s.dir.Path(), "dest"), before);
    EXPECT_FALSE(LinkLeadsOutside(s.dest));
    // Nothing after a failure is written, and what failed its CRC-32 must not look unpacked.
    for (const char* never : {"/after.txt", "/bad.txt"}) EXPECT_FALSE(fs::exists(s.dest + never)) << never;
}

INSTANTIATE_TEST_SUITE_P(Table, HostileArchive, ::testing::ValuesIn(HOSTILE));

TEST(ArchiveExtractor, RecreatesFilesDirectoriesAndInnerLinks) {
    Unpacking s;
    std::string big(ArchiveExtractor::LARGE_ENTRY + 12345, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 5);
    ZipWriter zip;
    zip.Add({.name = "files/", .kind = Kind::Directory}).File("files/user/12/page1.jpg", "jpeg bytes", 8);
    zip.Add({.name = "files/deep/descriptor.css", .data = "body{}", .method = 8, .dataDescriptor = true});
    zip.Add({.name = "wide.bin", .data = "zip64 sized", .zip64 = true});
    zip.File("big.pdf", big, 8);
    zip.Add(Link("latest", "files/user/12/page1.jpg")).Add(Link("files/up", "../wide.bin"));
    zip.Add({.name = "tool.sh", .data = "#!/bin/sh", .unixMode = 0106755});  // setuid and execute asked for
    zip.Add({.name = "empty/", .kind = Kind::Directory});

    ASSERT_TRUE(s.Unpack(zip.Bytes()));
    for (const auto& [name, content] : std::map<std::string, std::string>{{"files/user/12/page1.jpg", "jpeg bytes"},
                                                                          {"files/deep/descriptor.css", "body{}"},
                                                                          {"wide.bin", "zip64 sized"},
                                                                          {"big.pdf", big},
                                                                          {"latest", "jpeg bytes"},
                                                                          {"files/up", "zip64 sized"}})
        EXPECT_EQ(Read(s.dest + "/" + name), content) << name;
    EXPECT_TRUE(fs::is_directory(s.dest + "/empty"));
    struct stat st;
    ASSERT_EQ(stat((s.dest + "/tool.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_ISUID | S_ISGID), 0u) << "setuid/setgid must never be set";
    EXPECT_EQ(st.st_mode & 0111, 0u) << "unpacked files never keep an execute bit";
}

// Names are the header bytes, read by bit 11 (UTF-8, otherwise code page
// 437): a Unicode Path extra field, which other tools ignore, renames nothing.
TEST(ArchiveExtractor, NamesComeFromTheHeaderBytes) {
    Unpacking s;
    ZipWriter zip;
    zip.Add({.name = "real.txt", .data = "1", .extra = UnicodePathField("real.txt", "shown.txt")});
    zip.Add({.name = "caf\x82.txt", .data = "2", .utf8Flag = false});
    zip.Add({.name = "./", .kind = Kind::Directory});
    ASSERT_TRUE(s.Unpack(zip.Bytes()));
    EXPECT_EQ(Read(s.dest + "/real.txt"), "1");
    EXPECT_FALSE(fs::exists(s.dest + "/shown.txt"));
    EXPECT_EQ(Read(s.dest + "/caf\xC3\xA9.txt"), "2");
}

const std::pair<std::string, bool> NAMES[] = {
    {"files/user/a.png", true},
    {"dir/", true},
    {"ünïcödé/名前.txt", true},
    {"a..b/c.", true},
    // "." and empty components are dropped, as other unpackers do.
    {"./", true},
    {"", false},
    {"/abs", false},
    {"../x", false},
    {"a/../x", false},
    {".", false},
    {"./C:/x", false},
    {"c:", false},
    {"a\tb", false},
    {"a\x7F", false},
    {"a\xC2\x85", false},  // C1 control (NEL)
    {std::string("a\0b", 3), false},
    {"\xFF\xFE", false},
};

TEST(EntryPath, AcceptsOnlyPlainRelativeNames) {
    for (const auto& [name, accepted] : NAMES)
        EXPECT_EQ(document::EntryPath::Parse(name).has_value(), accepted) << testing::PrintToString(name);
    EXPECT_EQ(document::EntryPath::Parse("./files//user/./a.png")->Joined(), "files/user/a.png");
}

}  // namespace
}  // namespace brivane::test
