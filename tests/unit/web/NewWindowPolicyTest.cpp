#include "NewWindowPolicy.h"

#include "TempDir.h"

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

// A crafted flipbook must not get the system to run local programs or open
// files outside its own workspace.
TEST(NewWindowPolicyTest, OnlyWebMailAndOwnWorkspaceFilesReachTheSystem) {
    test::TempDir dir;
    const std::string ws = dir / "Book-abc";
    dir.Write("Book-abc/data/flipbook.pdf", "%PDF");
    std::filesystem::create_directories(dir / "Book-abc-evil");
    std::filesystem::create_symlink("/usr/bin", ws + "/data/bin");
    const std::string wsUrl = test::FileUrl(ws) + "/";

    const std::pair<std::string, bool> cases[] = {
        {"https://example.com/x.pdf", true},
        {"HTTP://example.com/", true},
        {"mailto:someone@example.com", true},
        {wsUrl + "data/flipbook.pdf", true},
        {wsUrl + "data/not-yet-there.pdf", true},
        {"file:///usr/bin/xterm", false},
        {wsUrl + "data/../../Book-abc-evil/x", false},
        {wsUrl + "data/%2e%2e/%2e%2e/Book-abc-evil/x", false},
        {test::FileUrl(dir / "Book-abc-evil") + "/x", false},
        {wsUrl + "data/bin/sh", false},
        {wsUrl, false},
        {"smb://server/share/run.desktop", false},
        {"mailto:", false},
        {"data/flipbook.pdf", false},
    };
    for (const auto& [address, allowed] : cases)
        EXPECT_EQ(NewWindowPolicy::MayHandToSystem(address, wsUrl), allowed) << address;
    // Without a workspace no file is handed out.
    EXPECT_FALSE(NewWindowPolicy::MayHandToSystem("file:///tmp/x.pdf", std::nullopt));
}

}  // namespace
}  // namespace brivane::web
