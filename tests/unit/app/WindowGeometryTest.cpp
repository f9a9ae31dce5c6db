#include "WindowGeometry.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Size = WindowGeometry::Size;

TEST(WindowGeometryTest, ReadingWindowFollowsTheMonitor) {
    const struct {
        std::optional<Size> screen;
        double width, height;
    } cases[] = {
        {Size{1440, 900}, 1200, 750},
        {Size{2560, 1440}, 2560 / 1.2, 1200},
        {std::nullopt, 1024 / 1.2, 640},
    };
    for (const auto& c : cases) {
        const auto content = WindowGeometry::ReadingContentSize(c.screen);
        EXPECT_DOUBLE_EQ(content.width, c.width);
        EXPECT_DOUBLE_EQ(content.height, c.height);
    }
}

}  // namespace
}  // namespace brivane::app
