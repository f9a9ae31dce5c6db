#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Size = WindowGeometry::Size;

// The window's default size around a 24-pixel menu bar; its content is the
// same size unrounded, so a wrong content size shows here too.
TEST(WindowGeometryTest, ReadingWindowFollowsTheMonitor) {
    const struct {
        std::optional<Size> screen;
        int windowWidth, windowHeight;
    } cases[] = {
        {Size{1440, 900}, 1200, 774},
        {Size{2560, 1440}, 2133, 1224},
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
