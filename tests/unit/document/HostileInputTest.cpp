#include "CapturedLines.h"
#include "FlipbookFile.h"
#include "FlipbookMeta.h"
#include "Flipbooks.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace brivane::document {
namespace {

using test::ZipEntry;
using test::ZipWriter;

constexpr std::uint64_t kMiB = 1024 * 1024;

// Each case makes a file URL in the directory; none may crash, hang or throw.
struct BadInputCase {
    const char* name;
    std::function<std::string(const test::TempDir&)> make;
};

std::string Truncated(std::size_t keep) {
    std::string bytes = test::ValidFlipbook().Bytes();
    return bytes.substr(0, std::min(keep, bytes.size()));
}

const BadInputCase kBadInputs[] = {
    {"missing path", [](const test::TempDir& d) { return test::FileUrl(d / "nothing.flip"); }},
    {"a directory", [](const test::TempDir& d) { return test::FileUrl(d.Path()); }},
    {"path through a file", [](const test::TempDir& d) { return test::FileUrl(d.Write("f", "x") + "/a.flip"); }},
    {"plain text file", [](const test::TempDir& d) { return test::FileUrl(d.Write("a.flip", "hello, world\n")); }},
    {"empty file", [](const test::TempDir& d) { return test::FileUrl(d.Write("a.flip", "")); }},
    {"PDF instead of ZIP", [](const test::TempDir& d) { return test::FileUrl(d.Write("a.flip", test::SamplePdf())); }},
    {"truncated in the data", [](const test::TempDir& d) { return test::FileUrl(d.Write("a.flip", Truncated(200))); }},
    {"truncated end record",
     [](const test::TempDir& d) {
         const std::string bytes = test::ValidFlipbook().Bytes();
         return test::FileUrl(d.Write("a.flip", bytes.substr(0, bytes.size() - 10)));
     }},
    {"central directory pointing past the end",
     [](const test::TempDir& d) {
         std::string bytes = test::ValidFlipbook().Bytes();
         bytes.replace(bytes.size() - 6, 4, "\xF0\xFF\xFF\x7F");
         return test::FileUrl(d.Write("a.flip", bytes));
     }},
    {"garbage metadata",
     [](const test::TempDir& d) {
         std::string garbage;
         for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 251);
         return test::FileUrl(d.Write("a.flip", ZipWriter().File("metadata.brivane", garbage, 8).Bytes()));
     }},
    {"deeply nested metadata",
     [](const test::TempDir& d) {
         const std::string nested = std::string(200000, '[') + std::string(200000, ']');
         return test::FileUrl(d.Write("a.flip", ZipWriter().File("metadata.brivane", nested, 8).Bytes()));
     }},
    {"named pipe without writer",
     [](const test::TempDir& d) {
         mkfifo((d / "pipe.flip").c_str(), 0600);
         return test::FileUrl(d / "pipe.flip");
     }},
    {"character device", [](const test::TempDir&) { return std::string("file:///dev/zero"); }},
    {"not a file URL", [](const test::TempDir&) { return std::string("https://brivane.example/a.flip"); }},
    {"malformed URL", [](const test::TempDir&) { return std::string("file://%zz"); }},
    {"bare path instead of URL", [](const test::TempDir& d) { return d.Write("a.flip", test::ValidFlipbook().Bytes()); }},
    {"empty URL", [](const test::TempDir&) { return std::string(); }},
};

TEST(HostileInput, NeverAcceptedNeverCrashes) {
    for (const auto& c : kBadInputs) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string url = c.make(dir);
        test::CapturedLines log;
        const std::string code = ValidateFlipbookFile(url);
        EXPECT_TRUE(code == "ERROR_NO_META" || code == "ERROR_CORRUPTED") << code;
        EXPECT_EQ(FlipbookMeta(url).GetTitle(), "");
        EXPECT_LE(log.lines.size(), 6u);
    }
}

TEST(HostileInput, UnreadableFileIsMissingMetadata) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    test::TempDir dir;
    const std::string path = dir.Write("a.flip", test::ValidFlipbook().Bytes());
    chmod(path.c_str(), 0);
    test::CapturedLines log;
    EXPECT_EQ(ValidateFlipbookFile(test::FileUrl(path)), "ERROR_NO_META");
    EXPECT_TRUE(log.lines.empty());
}

// A metadata entry past 16 MiB is unreadable whatever its header claims: the
// declared size is checked before allocating and the real size while reading.
struct BoundCase {
    const char* name;
    ZipEntry entry;
    bool readable;
};

ZipEntry Metadata(std::string data, std::uint16_t method, std::optional<std::uint64_t> declared = {},
                  bool zip64 = false) {
    ZipEntry e;
    e.name = "metadata.brivane";
    e.data = std::move(data);
    e.method = method;
    e.declaredSize = declared;
    e.zip64 = zip64;
    return e;
}

std::string JsonOfSize(std::uint64_t size) {
    std::string text = "{\"pad\":\"";
    text.resize(size - 2, 'x');
    return text + "\"}";
}

TEST(HostileInput, MetadataAbove16MiBIsUnreadable) {
    const BoundCase cases[] = {
        {"exactly 16 MiB", Metadata(JsonOfSize(16 * kMiB), 8), true},
        {"one byte more", Metadata(JsonOfSize(16 * kMiB + 1), 8), false},
        {"declares 4 GiB, holds little", Metadata("{}", 0, 0xFFFFFFF0u), false},
        {"declares 64 GiB in ZIP64", Metadata("{}", 8, 64ull * 1024 * kMiB, true), false},
        {"declares a few bytes, inflates past the bound", Metadata(JsonOfSize(17 * kMiB), 8, 10), false},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "a.flip";
        ZipWriter().Add(c.entry).File("flipbook.pdf", test::SamplePdf()).WriteTo(path);
        const std::string url = test::FileUrl(path);
        test::CapturedLines log;
        const auto text = FlipbookFile(url).GetMetadataSource(url);
        EXPECT_EQ(text.has_value(), c.readable);
        EXPECT_EQ(log.lines.size(), c.readable ? 0u : 1u);
        if (!c.readable) {
            EXPECT_EQ(ValidateFlipbookFile(url), "ERROR_NO_META");
        }
    }
}

}  // namespace
}  // namespace brivane::document
