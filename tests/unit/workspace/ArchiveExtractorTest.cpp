#include "ArchiveExtractor.h"
#include "TempDir.h"
#include "TreeSnapshot.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace brivane::test {
namespace {

using document::ArchiveExtractor;
namespace fs = std::filesystem;

ZipEntry Entry(std::string name, std::string data, std::function<void(ZipEntry&)> change = {}) {
    ZipEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    if (change) change(e);
    return e;
}

ZipEntry Link(std::string name, std::string target) {
    return Entry(std::move(name), std::move(target), [](ZipEntry& e) { e.kind = ZipEntry::Kind::Symlink; });
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A scratch area: "outside/" holds what an archive must never reach, "dest/"
// receives the archive.
struct Scratch {
    TempDir dir;
    std::string dest = dir / "dest";
    std::string archive = dir / "archive.zip";
    Scratch() {
        dir.Write("outside/secret.txt", "untouched");
        fs::create_directory(dest);
    }
    std::optional<std::string> Unpack(const ZipWriter& zip) {
        zip.WriteTo(archive);
        return ArchiveExtractor::Unpack(archive, dest);
    }
    std::optional<std::string> Unpack(const std::string& bytes) {
        std::ofstream(archive, std::ios::binary) << bytes;
        return ArchiveExtractor::Unpack(archive, dest);
    }
};

struct HostileCase {
    const char* fault;
    std::function<std::string()> archive;  // archive bytes
    const char* reason;                    // part of the failure description
};

ZipWriter Of(std::vector<ZipEntry> entries) {
    ZipWriter zip;
    zip.File("first.txt", "written before the failure");
    for (auto& e : entries) zip.Add(std::move(e));
    return zip;
}

const HostileCase kHostile[] = {
    {"parent component climbs out", [] { return Of({Entry("../outside/evil.txt", "x")}).Bytes(); }, "unsafe name"},
    {"deep parent component", [] { return Of({Entry("a/../../outside/evil.txt", "x")}).Bytes(); }, "unsafe name"},
    {"absolute path", [] { return Of({Entry("/tmp/evil.txt", "x")}).Bytes(); }, "unsafe name"},
    {"drive letter", [] { return Of({Entry("C:/evil.txt", "x")}).Bytes(); }, "unsafe name"},
    {"dot component", [] { return Of({Entry("a/./b.txt", "x")}).Bytes(); }, "unsafe name"},
    {"control character", [] { return Of({Entry("a\tb.txt", "x")}).Bytes(); }, "unsafe name"},
    {"C1 control character", [] { return Of({Entry("a\xC2\x9B" "b.txt", "x")}).Bytes(); }, "unsafe name"},
    {"link to an absolute path", [] { return Of({Link("passwd", "/etc/passwd")}).Bytes(); }, "link leads outside"},
    {"link climbing out, then a file through it",
     [] { return Of({Link("up", "../outside"), Entry("up/evil.txt", "x")}).Bytes(); }, "link leads outside"},
    {"link to an inner directory, then entries beneath it",
     [] { return Of({Entry("sub/", "", [](ZipEntry& e) { e.kind = ZipEntry::Kind::Directory; }), Link("d", "sub"),
                     Entry("d/x.txt", "x")}).Bytes(); },
     "cannot enter parent directory"},
    {"link replaced by a file of the same name",
     [] { return Of({Link("s", "first.txt"), Entry("s", "overwrite")}).Bytes(); }, "cannot create file"},
    {"duplicate file names", [] { return Of({Entry("dup.txt", "1"), Entry("dup.txt", "2")}).Bytes(); },
     "cannot create file"},
    {"link chain composed on disk (a -> ., then c -> a/..)",
     [] { return Of({Link("a", "."), Link("c", "a/..")}).Bytes(); }, "link leads outside"},
    {"link chain composed afterwards (c -> a/.., then a -> .)",
     [] { return Of({Link("c", "a/.."), Link("a", ".")}).Bytes(); }, "link leads outside"},
    {"CRC-32 mismatch mid-archive",
     [] { return Of({Entry("bad.txt", "payload", [](ZipEntry& e) { e.crc = 0x12345678; }),
                     Entry("after.txt", "never written")}).Bytes(); }, "CRC"},
    {"CRC-32 mismatch in a large deflated entry",
     [] { return Of({Entry("big.bin", std::string(ArchiveExtractor::kLargeEntry + 1000, 'z'), [](ZipEntry& e) {
                        e.method = 8;
                        e.crc = 1;
                    })}).Bytes(); }, "CRC"},
    {"truncated archive", [] { std::string b = Of({Entry("x.txt", "x")}).Bytes(); return b.substr(0, b.size() - 30); },
     "not a readable archive"},
    {"declared size smaller than the data",
     [] { return Of({Entry("liar.txt", std::string(5000, 'a'), [](ZipEntry& e) { e.declaredSize = 10; })}).Bytes(); },
     "more data than declared"},
    {"declared size larger than the data",
     [] { return Of({Entry("short.txt", "abc", [](ZipEntry& e) { e.declaredSize = 100; })}).Bytes(); }, ""},
    {"deflated entry larger than declared",
     [] { return Of({Entry("liar.txt", std::string(50000, 'a'), [](ZipEntry& e) {
                        e.method = 8;
                        e.declaredSize = 100;
                    })}).Bytes(); }, "more data than declared"},
    {"unsupported compression method", [] { return Of({Entry("odd.bin", "x", [](ZipEntry& e) { e.method = 97; })}).Bytes(); },
     "unsupported compression"},
    {"encrypted entry", [] { return Of({Entry("secret.bin", "x", [](ZipEntry& e) { e.encrypted = true; })}).Bytes(); },
     "encrypted"},
    {"character device entry", [] { return Of({Entry("dev", "", [](ZipEntry& e) { e.unixMode = 020644; })}).Bytes(); },
     "unsupported entry type"},
    {"FIFO entry", [] { return Of({Entry("fifo", "", [](ZipEntry& e) { e.unixMode = 010644; })}).Bytes(); },
     "unsupported entry type"},
    {"zip bomb declaring far more than the archive holds",
     [] { return Of({Entry("bomb.bin", "tiny", [](ZipEntry& e) { e.declaredSize = 300ull << 20; })}).Bytes(); },
     "expands to"},
    {"declared size beyond the free disk space",
     [] { return Of({Entry("huge.bin", "tiny", [](ZipEntry& e) {
                        e.zip64 = true;
                        e.declaredSize = 1ull << 60;
                    })}).Bytes(); }, "free"},
    {"not an archive at all", [] { return std::string("just some text, no ZIP here"); }, "not a readable archive"},
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.fault; }

class HostileArchive : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileArchive, FailsWithoutReachingOutsideTheDestination) {
    const HostileCase& c = GetParam();
    Scratch s;
    std::string bytes = c.archive();
    auto before = SnapshotTree(s.dir.Path(), s.dest);
    std::optional<std::string> error = s.Unpack(bytes);
    ASSERT_TRUE(error.has_value()) << c.fault;
    EXPECT_NE(error->find(c.reason), std::string::npos) << c.fault << ": " << *error;
    fs::remove(s.archive);
    auto after = SnapshotTree(s.dir.Path(), s.dest);
    before.erase(s.archive);
    EXPECT_EQ(before, after) << c.fault;
    EXPECT_TRUE(LinksLeadingOutside(s.dest).empty()) << c.fault;
    EXPECT_FALSE(fs::exists(s.dest + "/after.txt")) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(Table, HostileArchive, ::testing::ValuesIn(kHostile));

TEST(ArchiveExtractor, RecreatesFilesDirectoriesAndInnerLinks) {
    Scratch s;
    std::string big(ArchiveExtractor::kLargeEntry + 12345, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 5);
    ZipWriter zip;
    zip.Directory("files/").File("files/user/12/page1.jpg", "jpeg bytes", 8);
    zip.Add(Entry("files/deep/descriptor.css", "body{}", [](ZipEntry& e) { e.dataDescriptor = true; e.method = 8; }));
    zip.Add(Entry("wide.bin", "zip64 sized", [](ZipEntry& e) { e.zip64 = true; }));
    zip.Add(Entry("big.pdf", big, [](ZipEntry& e) { e.method = 8; }));
    zip.Symlink("latest", "files/user/12/page1.jpg").Symlink("files/up", "../wide.bin");
    zip.Add(Entry("tool.sh", "#!/bin/sh", [](ZipEntry& e) { e.unixMode = 0106755; }));  // setuid asked for
    zip.Add(Entry("empty/", "", [](ZipEntry& e) { e.kind = ZipEntry::Kind::Directory; }));

    ASSERT_EQ(s.Unpack(zip), std::nullopt);
    EXPECT_EQ(ReadFile(s.dest + "/files/user/12/page1.jpg"), "jpeg bytes");
    EXPECT_EQ(ReadFile(s.dest + "/files/deep/descriptor.css"), "body{}");
    EXPECT_EQ(ReadFile(s.dest + "/wide.bin"), "zip64 sized");
    EXPECT_EQ(ReadFile(s.dest + "/big.pdf"), big);
    EXPECT_EQ(ReadFile(s.dest + "/latest"), "jpeg bytes");
    EXPECT_EQ(ReadFile(s.dest + "/files/up"), "zip64 sized");
    EXPECT_TRUE(fs::is_directory(s.dest + "/empty"));
    struct stat st;
    ASSERT_EQ(stat((s.dest + "/tool.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_ISUID | S_ISGID), 0u) << "setuid/setgid must never be set";
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
}

TEST(ArchiveExtractor, EntriesWrittenBeforeAFailureStayButDamagedContentDoesNot) {
    Scratch s;
    auto error = s.Unpack(Of({Entry("dup.txt", "1"), Entry("dup.txt", "2")}));
    ASSERT_TRUE(error);
    EXPECT_EQ(ReadFile(s.dest + "/first.txt"), "written before the failure");
    EXPECT_EQ(ReadFile(s.dest + "/dup.txt"), "1");

    Scratch damaged;
    ASSERT_TRUE(damaged.Unpack(Of({Entry("bad.txt", "payload", [](ZipEntry& e) { e.crc = 1; })})));
    EXPECT_TRUE(fs::exists(damaged.dest + "/first.txt"));
    EXPECT_FALSE(fs::exists(damaged.dest + "/bad.txt")) << "a file that failed its CRC-32 must not look unpacked";
}

TEST(ArchiveExtractor, PlantedLinkInTheDestinationIsNeverFollowed) {
    Scratch s;
    fs::create_directory_symlink(s.dir / "outside", s.dest + "/files");
    auto before = SnapshotTree(s.dir / "outside");
    auto error = s.Unpack(ZipWriter().File("files/evil.txt", "x"));
    ASSERT_TRUE(error);
    EXPECT_EQ(SnapshotTree(s.dir / "outside"), before);
    // A planted link at a file's own name is not written through either.
    fs::create_symlink(s.dir / "outside/secret.txt", s.dest + "/secret.txt");
    ASSERT_TRUE(s.Unpack(ZipWriter().File("secret.txt", "overwritten")));
    EXPECT_EQ(ReadFile(s.dir / "outside/secret.txt"), "untouched");
}

}  // namespace
}  // namespace brivane::test
