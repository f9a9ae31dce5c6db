#include "app/RendererChoice.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Variables = std::vector<std::pair<std::string, std::string>>;

// Users without a GPU waited seconds for the first page on the GL paths;
// users with one keep the defaults; a variable the user set always wins.
TEST(RendererChoiceTest, SoftwarePathsOnlyWhereGlCannotPayAndNeverOverTheUsersSetting) {
    const struct {
        RendererChoice::Session session;
        Variables set;
        std::string line;
    } cases[] = {
        {{std::nullopt, std::nullopt, false, false},
         {{"WEBKIT_DISABLE_DMABUF_RENDERER", "1"}, {"GSK_RENDERER", "cairo"}},
         "Renderer: WEBKIT_DISABLE_DMABUF_RENDERER=1, GSK_RENDERER=cairo (no GPU "
         "render node)"},
        {{std::nullopt, std::nullopt, true, true},
         {{"WEBKIT_DISABLE_DMABUF_RENDERER", "1"}, {"GSK_RENDERER", "cairo"}},
         "Renderer: WEBKIT_DISABLE_DMABUF_RENDERER=1, GSK_RENDERER=cairo "
         "(software GL)"},
        {{std::nullopt, std::nullopt, true, false}, {}, "Renderer: defaults (GPU render node)"},
        {{"0", std::nullopt, false, false},
         {{"GSK_RENDERER", "cairo"}},
         "Renderer: WEBKIT_DISABLE_DMABUF_RENDERER=0 as set, GSK_RENDERER=cairo "
         "(no GPU render node)"},
        {{"", "gl", false, false},
         {},
         "Renderer: WEBKIT_DISABLE_DMABUF_RENDERER= as set, GSK_RENDERER=gl as "
         "set (no GPU render node)"},
    };
    for (const auto& c : cases) {
        const auto decision = RendererChoice::Decide(c.session);
        EXPECT_EQ(decision.variables, c.set) << c.line;
        EXPECT_EQ(decision.line, c.line);
    }
}

}  // namespace
}  // namespace brivane::app
