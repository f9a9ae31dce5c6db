#include "document/FlipbookFile.h"
#include "document/FlipbookMeta.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace brivane::document {
namespace {

using test::FileUrl;
using test::ZipWriter;

constexpr std::uint64_t MIB = 1024 * 1024;

TEST(HostileInput, NeverAcceptedNeverCrashes) {
    test::TempDir d;
    const std::string valid = test::ValidFlipbook().Bytes();
    std::string garbage, pastTheEnd = valid;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 251);
    pastTheEnd.replace(pastTheEnd.size() - 6, 4, "\xF0\xFF\xFF\x7F");  // central directory offset
    mkfifo((d / "pipe.flip").c_str(), 0600);
    const std::pair<const char*, std::string> cases[] = {
        {"missing path", FileUrl(d / "nothing.flip")},
        {"a directory", FileUrl(d.Path())},
        {"plain text file", FileUrl(d.Write("text.flip", "hello, world\n"))},
        {"empty file", FileUrl(d.Write("empty.flip", ""))},
        {"truncated in the data", FileUrl(d.Write("cut.flip", valid.substr(0, 200)))},
        {"central directory pointing past the end", FileUrl(d.Write("past.flip", pastTheEnd))},
        {"garbage metadata", FileUrl(d.Write("g.flip", ZipWriter().File("metadata.brivane", garbage, 8).Bytes()))},
        {"deeply nested metadata",
         FileUrl(d.Write(
             "n.flip",
             ZipWriter().File("metadata.brivane", std::string(200000, '[') + std::string(200000, ']'), 8).Bytes()))},
        {"named pipe without writer", FileUrl(d / "pipe.flip")},
        {"character device", "file:///dev/zero"},
        {"not a file URL", "https://brivane.example/a.flip"},
        {"malformed URL", "file://%zz"},
        {"bare path instead of URL", d.Write("valid.flip", valid)},
    };
    for (const auto& [name, url] : cases) {
        SCOPED_TRACE(name);
        test::CapturedLines log;
        const std::string_view code = CheckCode(ValidateFlipbookFile(url));
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
    EXPECT_EQ(ValidateFlipbookFile(FileUrl(path)), CheckResult::NoMetadata);
    EXPECT_TRUE(log.lines.empty());
}

std::string JsonOfSize(std::uint64_t size) {
    std::string text = "{\"pad\":\"";
    text.resize(size - 2, 'x');
    return text + "\"}";
}

// A metadata entry past 16 MiB is unreadable whatever its header claims: the
// declared size is checked before allocating and the real size while reading.
TEST(HostileInput, MetadataAbove16MiBIsUnreadable) {
    const std::pair<test::ZipEntry, bool> cases[] = {
        {{.data = JsonOfSize(16 * MIB), .method = 8}, true},
        {{.data = JsonOfSize(16 * MIB + 1), .method = 8}, false},
        {{.data = "{}", .declaredSize = 0xFFFFFFF0u}, false},                      // declares 4 GiB, holds little
        {{.data = JsonOfSize(17 * MIB), .method = 8, .declaredSize = 10}, false},  // inflates past the bound
    };
    test::TempDir dir;
    const std::string path = dir / "a.flip", url = FileUrl(path);
    for (auto [entry, readable] : cases) {
        SCOPED_TRACE(entry.data.size());
        entry.name = "metadata.brivane";
        ZipWriter().Add(entry).File("flipbook.pdf", test::SamplePdf()).WriteTo(path);
        test::CapturedLines log;
        EXPECT_EQ(FlipbookFile(url).GetMetadataSource(url).has_value(), readable);
        EXPECT_EQ(log.lines.size(), readable ? 0u : 1u);
        if (!readable) {
            EXPECT_EQ(ValidateFlipbookFile(url), CheckResult::NoMetadata);
        }
    }
}

}  // namespace
}  // namespace brivane::document
