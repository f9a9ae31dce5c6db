#include "app/RendererChoice.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Variables = std::vector<std::pair<std::string, std::string>>;

// Users without a GPU waited seconds for the first page on the GL paths;
// users with one keep the defaults; a variable the user set always wins.
TEST(RendererChoiceTest, SoftwarePathsOnlyWhereGlCannotPayAndNeverOverTheUsersSetting) {
    const std::pair<std::string, std::string> noDmabuf{"WEBKIT_DISABLE_DMABUF_RENDERER", "1"},
        cairo{"GSK_RENDERER", "cairo"};
    const struct {
        RendererChoice::Session session;
        Variables set;
        std::string reason;  // the end of the diagnostic line
    } cases[] = {
        {{std::nullopt, std::nullopt, false, false}, {noDmabuf, cairo}, "(no GPU render node)"},
        {{std::nullopt, std::nullopt, true, true}, {noDmabuf, cairo}, "(software GL)"},
        {{std::nullopt, std::nullopt, true, false}, {}, "defaults (GPU render node)"},
        {{"0", std::nullopt, false, false}, {cairo}, "=0 as set, GSK_RENDERER=cairo (no GPU render node)"},
        {{"", "gl", false, false}, {}, "= as set, GSK_RENDERER=gl as set (no GPU render node)"},
    };
    for (const auto& c : cases) {
        const auto decision = RendererChoice::Decide(c.session);
        EXPECT_EQ(decision.variables, c.set) << c.reason;
        EXPECT_TRUE(decision.line.ends_with(c.reason)) << decision.line;
    }
}

}  // namespace
}  // namespace brivane::app
