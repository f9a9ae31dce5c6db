#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Size = WindowGeometry::Size;

// The window's default size, a 24-pixel menu bar included.
TEST(WindowGeometryTest, ReadingWindowFollowsTheMonitor) {
    const struct {
        std::optional<Size> screen;
        int windowWidth, windowHeight;
    } cases[] = {
        {Size{1600, 1000}, 1333, 857},
        {std::nullopt, 853, 664},
    };
    for (const auto& c : cases) {
        const auto window = WindowGeometry::ReadingWindowSize(c.screen, 24);
        EXPECT_EQ(window.width, c.windowWidth);
        EXPECT_EQ(window.height, c.windowHeight);
    }
}

}  // namespace
}  // namespace brivane::app
