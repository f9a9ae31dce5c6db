#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Size = WindowGeometry::Size;

TEST(WindowGeometryTest, ReadingWindowFollowsTheMonitor) {
    // Content size, and the window's default size around a 24-pixel menu bar.
    const struct {
        std::optional<Size> screen;
        double width, height;
        int windowWidth, windowHeight;
    } cases[] = {
        {Size{1440, 900}, 1200, 750, 1200, 774},
        {Size{2560, 1440}, 2560 / 1.2, 1200, 2133, 1224},
        {Size{1600, 1000}, 1600 / 1.2, 1000 / 1.2, 1333, 857},
        {std::nullopt, 1024 / 1.2, 640, 853, 664},
    };
    for (const auto& c : cases) {
        const auto content = WindowGeometry::ReadingContentSize(c.screen);
        const auto window = WindowGeometry::ReadingWindowSize(c.screen, 24);
        EXPECT_EQ(window.width, c.windowWidth);
        EXPECT_EQ(window.height, c.windowHeight);
        EXPECT_DOUBLE_EQ(content.width, c.width);
        EXPECT_DOUBLE_EQ(content.height, c.height);
    }
}

}  // namespace
}  // namespace brivane::app
