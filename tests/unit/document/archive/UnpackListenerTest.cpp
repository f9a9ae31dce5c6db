#include "document/archive/ArchiveExtractor.h"
#include "tests/support/WorkspaceFixture.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

namespace brivane::document {
namespace {

namespace fs = std::filesystem;
using test::Read;
using test::ZipEntry;
using test::ZipWriter;
using Kind = ZipEntry::Kind;

int NiceOf(pid_t tid) { return getpriority(PRIO_PROCESS, static_cast<id_t>(tid)); }

// Keeps what it hears, and what the destination held at that moment.
struct Recorder : UnpackListener {
    explicit Recorder(std::string dest) : dest(std::move(dest)) {}

    void Surveyed(const std::vector<ArchivedFile>& heard) override {
        std::lock_guard lock(mutex);
        ++surveys;
        files = heard;
        destinationEmpty = fs::is_empty(dest);
    }
    void Written(const std::string& path) override {
        std::lock_guard lock(mutex);
        written[path].push_back(Read(dest + "/" + path));
        writerNice = std::min(writerNice, NiceOf(gettid()));
        writerIoPriority = syscall(SYS_ioprio_get, 1, gettid());
        if (gettid() == caller) writtenOnCaller = true;
    }

    std::string dest;
    const pid_t caller = gettid();
    std::mutex mutex;
    int surveys = 0;
    bool destinationEmpty = false;
    std::vector<ArchivedFile> files;
    std::map<std::string, std::vector<std::string>> written;  // content seen at each notice
    int writerNice = 40;
    long writerIoPriority = -1;
    bool writtenOnCaller = false;
};

struct Scratch : test::Unpacking {
    Recorder heard{dest};
    Result<void, UnpackFailure> Unpack(const std::string& bytes) { return Unpacking::Unpack(bytes, &heard); }
};

// Patches a little-endian 16-bit field of the first local header.
std::string WithLocalField(std::string bytes, std::size_t at, std::uint16_t value) {
    return bytes.replace(at, 2, test::LittleEndian(value, 2));
}

struct OffsetCase {
    const char* name;
    std::string bytes;
    std::map<std::string, std::string> content;  // every regular file
    std::set<std::string> storedInPlace;         // the files that get an offset
    bool unpacks = true;
};

TEST(UnpackListener, StoredFilesAreFoundByteForByteInTheArchive) {
    const std::string big(ArchiveExtractor::LARGE_ENTRY + 5, 'B');
    const std::string plain = ZipWriter().File("a.txt", "alpha").File("deflated.txt", "squeeze me", 8).Bytes();
    const std::map<std::string, std::string> inPlain = {{"a.txt", "alpha"}, {"deflated.txt", "squeeze me"}};
    const OffsetCase cases[] = {
        {"plain, with directories, links and an empty file",
         ZipWriter()
             .File("a.txt", "alpha")
             .Add({.name = "files/", .kind = Kind::Directory})
             .File("files/user/empty.css", "")
             .File("files/big.pdf", big)
             .Add({.name = "link", .data = "a.txt", .kind = Kind::Symlink})
             .Bytes(),
         {{"a.txt", "alpha"}, {"files/user/empty.css", ""}, {"files/big.pdf", big}},
         {"a.txt", "files/user/empty.css", "files/big.pdf"}},
        {"ZIP64: sizes and offset in extra fields of different lengths",
         ZipWriter()
             .File("first.txt", "one")
             .Add({.name = "wide.bin", .data = "zip64 all", .zip64 = true, .zip64Offset = true})
             .Add({.name = "sizes.bin", .data = "zip64 sizes", .zip64 = true})
             .Bytes(),
         {{"first.txt", "one"}, {"wide.bin", "zip64 all"}, {"sizes.bin", "zip64 sizes"}},
         {"first.txt", "wide.bin", "sizes.bin"}},
        {"deflated", plain, inPlain, {"a.txt"}},
        {"local header says deflated", WithLocalField(plain, 8, 8), inPlain, {}},
        {"local header says encrypted", WithLocalField(plain, 6, 1 << 11 | 1), inPlain, {}},
        // libzip reads behind the local name too: the bytes it gets fail the CRC-32.
        {"local name longer than the central one", WithLocalField(plain, 26, 6), inPlain, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch s;
        const auto unpacked = s.Unpack(c.bytes);
        EXPECT_EQ(static_cast<bool>(unpacked), c.unpacks) << (unpacked ? "" : unpacked.Failure().Line());
        ASSERT_EQ(s.heard.surveys, 1);
        EXPECT_TRUE(s.heard.destinationEmpty);
        std::map<std::string, std::string> listed;
        for (const ArchivedFile& f : s.heard.files) {
            SCOPED_TRACE(f.path);
            ASSERT_TRUE(c.content.count(f.path));
            const std::string& content = c.content.at(f.path);
            EXPECT_EQ(f.size, content.size());
            EXPECT_EQ(f.storedOffset.has_value(), c.storedInPlace.count(f.path) == 1);
            if (f.storedOffset) {
                EXPECT_EQ(c.bytes.substr(*f.storedOffset, content.size()), content);
            }
            listed[f.path] = content;
        }
        EXPECT_EQ(listed, c.content);
    }
}

struct NoticeCase {
    const char* name;
    std::vector<ZipEntry> entries;
    bool surveyed;
    std::set<std::string> written;  // exactly these, each once
    bool unpacks = true;
};

TEST(UnpackListener, EveryFileWrittenIsToldOnceAndOnlyWhenWhole) {
    const std::string big(ArchiveExtractor::LARGE_ENTRY + 99, 'L');
    const NoticeCase cases[] = {
        {"parallel, large entry first",
         {{"a.txt", "a"},
          {.name = "files/big.bin", .data = big, .method = 8},
          {"files/c.txt", "c"},
          {.name = "files/", .kind = Kind::Directory},
          {.name = "up", .data = "files/c.txt", .kind = Kind::Symlink}},
         true,
         {"a.txt", "files/big.bin", "files/c.txt"}},
        {"a directory claimed twice: in order, no survey",
         {{.name = "d/", .kind = Kind::Directory},
          {"d/x.txt", "x"},
          {.name = "d/", .kind = Kind::Directory},
          {"y", "y"}},
         false,
         {"d/x.txt", "y"}},
        {"a single entry", {{"only.txt", "1"}}, true, {"only.txt"}},
        {"CRC-32 mismatch", {{.name = "bad.txt", .data = "bad", .crc = 7}}, true, {}, false},
    };
    const int callerNice = NiceOf(gettid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ZipWriter zip;
        for (const ZipEntry& e : c.entries) zip.Add(e);
        Scratch s;
        EXPECT_EQ(static_cast<bool>(s.Unpack(zip.Bytes())), c.unpacks);
        EXPECT_EQ(s.heard.surveys, c.surveyed ? 1 : 0);
        std::set<std::string> written;
        for (const auto& [path, seen] : s.heard.written) {
            written.insert(path);
            ASSERT_EQ(seen.size(), 1u) << path;
            EXPECT_EQ(seen.front(), Read(s.dest + "/" + path)) << path << " was told before it was whole";
        }
        EXPECT_EQ(written, c.written);
        if (!c.unpacks) continue;

        // The reader's threads keep their priority; the writers yield to them.
        EXPECT_EQ(NiceOf(gettid()), callerNice);
        EXPECT_FALSE(s.heard.writtenOnCaller);
        EXPECT_EQ(s.heard.writerNice, std::max(callerNice, 10));
        // Some sandboxes refuse the I/O priority calls; writing goes on there.
        if (s.heard.writerIoPriority >= 0) {
            EXPECT_EQ(s.heard.writerIoPriority, (2 << 13) | 7);
        }

        test::TempDir without;
        ASSERT_TRUE(ArchiveExtractor::Unpack(s.archive, without.Path()));
        EXPECT_EQ(test::SnapshotTree(s.dest), test::SnapshotTree(without.Path()))
            << "a listener changed what was unpacked";
    }
}

}  // namespace
}  // namespace brivane::document
