#include "web/NewWindowPolicy.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace brivane::web {
namespace {

TEST(NewWindowPolicyTest, RewriteTurnsWorkspaceLinksIntoWebAddresses) {
    const std::string ws = "file:///tmp/r/Book-abc/";
    const std::pair<std::string, std::string> cases[] = {
        {"https://example.com/a", "https://example.com/a"},
        {"file:///tmp/r/Book-abc/example.com/path", "https://example.com/path"},
        {"file:///tmp/r/Book-abc/a?u=file:///tmp/r/Book-abc/b", "https://a?u=https://b"},
        {"file:///tmp/r/Book-abcd/x", "file:///tmp/r/Book-abcd/x"},
    };
    for (const auto& [requested, expected] : cases) EXPECT_EQ(NewWindowPolicy::Rewrite(requested, ws), expected);
}

// A crafted flipbook must not get the system to run local programs, open its
// own pages outside the reader, or mail the user's files away.
TEST(NewWindowPolicyTest, OnlyWebAddressesCleanMailAndTheBooksPdfReachTheSystem) {
    test::TempDir dir;
    const std::string ws = dir / "Book-abc";
    dir.Write("Book-abc/data/flipbook.pdf", "%PDF");
    dir.Write("Book-abc/data/files/page.html", "<script>");
    dir.Write("Book-abc/flipbook.html", "<html>");
    dir.Write("Linked-abc/elsewhere.pdf", "%PDF");
    std::filesystem::create_directories(dir / "Linked-abc/data");
    std::filesystem::create_symlink(dir / "Linked-abc/elsewhere.pdf", dir / "Linked-abc/data/flipbook.pdf");
    std::filesystem::create_directories(dir / "Book-abc-evil");
    std::filesystem::create_symlink("/usr/bin", ws + "/data/bin");
    const std::string wsUrl = test::FileUrl(ws) + "/", pdf = wsUrl + "data/flipbook.pdf";
    const std::optional<std::string> refused;

    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"https://example.com/x.pdf", "https://example.com/x.pdf"},
        {"HTTP://example.com/", "HTTP://example.com/"},
        {"mailto:someone@example.com", "mailto:someone@example.com"},
        {pdf, pdf},
        {wsUrl + "data/./files/../flipbook.pdf", wsUrl + "data/./files/../flipbook.pdf"},
        // Other files of the workspace, even the book's own.
        {wsUrl + "data/files/page.html", refused},
        {wsUrl + "flipbook.html", refused},
        {wsUrl + "data/not-yet-there.pdf", refused},
        {test::FileUrl(dir / "Linked-abc") + "/data/flipbook.pdf", refused},
        {"file:///usr/bin/xterm", refused},
        {wsUrl + "data/../../Book-abc-evil/x", refused},
        {wsUrl + "data/%2e%2e/%2e%2e/Book-abc-evil/x", refused},
        {wsUrl + "data/bin/sh", refused},
        {wsUrl, refused},
        {"smb://server/share/run.desktop", refused},
        {"mailto:", refused},
        {"data/flipbook.pdf", refused},
        // Headers that make some mail programs attach a local file, in any disguise.
        {"mailto:a@example.com?attach=/home/u/.ssh/id_rsa", "mailto:a@example.com"},
        {"mailto:a@example.com?subject=Hi&Attachment=%2Fetc%2Fpasswd&body=x", "mailto:a@example.com?subject=Hi&body=x"},
        {"mailto:a@example.com?%61ttach=/etc/passwd&ATTACH=x&%2561ttach=y", "mailto:a@example.com"},
        {"mailto:a@example.com?body=1;attach=/etc/passwd;cc=b@example.com",
         "mailto:a@example.com?body=1;cc=b@example.com"},
        {"mailto:a@example.com?%20attach%20=x#top", "mailto:a@example.com#top"},
        {"mailto:a@example.com?body=attach%3D/etc/passwd", "mailto:a@example.com?body=attach%3D/etc/passwd"},
    };
    for (const auto& [address, expected] : cases)
        EXPECT_EQ(NewWindowPolicy::ForSystem(address, wsUrl), expected) << address;
    // Without a workspace no file is handed out, and only the PDF is printed.
    EXPECT_EQ(NewWindowPolicy::ForSystem(pdf, std::nullopt), refused);
    EXPECT_TRUE(NewWindowPolicy::IsBookPdf(pdf, wsUrl));
    EXPECT_FALSE(NewWindowPolicy::IsBookPdf("https://example.com/x.pdf", wsUrl));
}

}  // namespace
}  // namespace brivane::web
