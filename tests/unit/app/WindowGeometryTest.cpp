#include "WindowGeometry.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Size = WindowGeometry::Size;

TEST(WindowGeometryTest, ReadingWindowFollowsTheMonitor) {
    const struct {
        std::optional<Size> screen;
        double width, height, x, y;
    } cases[] = {
        // content size, origin
        {Size{1440, 900}, 1200, 750, 208, 900},
        {Size{2560, 1440}, 2560 / 1.2, 1200, 768, 1440},
        {std::nullopt, 1024 / 1.2, 640, -512, 0},
    };
    for (const auto& c : cases) {
        const auto content = WindowGeometry::ReadingContentSize(c.screen);
        const auto origin = WindowGeometry::ReadingOrigin(c.screen);
        EXPECT_DOUBLE_EQ(content.width, c.width);
        EXPECT_DOUBLE_EQ(content.height, c.height);
        EXPECT_DOUBLE_EQ(origin.x, c.x);
        EXPECT_DOUBLE_EQ(origin.y, c.y);
    }
}

}  // namespace
}  // namespace brivane::app
