#include "web/NavigationPolicy.h"

#include <gtest/gtest.h>

namespace brivane::web {
namespace {

using Decision = NavigationPolicy::Decision;

// The privileged reader view must never end up showing another page.
TEST(NavigationPolicyTest, ReaderViewStaysOnItsPage) {
    const std::string page = "file:///tmp/r/Book(1)-abc/flipbook.html";
    const std::pair<std::string, Decision> cases[] = {
        {page, Decision::Follow},
        {page + "#page=4", Decision::Follow},
        {"file:///tmp/r/Book%281%29-abc/flipbook.html", Decision::Follow},
        {"https://example.com/", Decision::OpenInBrowser},
        {"file:///tmp/r/Book(1)-abc/data/flipbook.pdf", Decision::Refuse},
        {"data:text/html,<p>x</p>", Decision::Refuse},
        {"", Decision::Refuse},
    };
    for (const auto& [uri, decision] : cases) EXPECT_EQ(NavigationPolicy::DecideMainFrame(uri, page), decision) << uri;
    // Nothing is the reader page before it is known.
    EXPECT_FALSE(NavigationPolicy::IsReaderPage("", ""));
}

}  // namespace
}  // namespace brivane::web
