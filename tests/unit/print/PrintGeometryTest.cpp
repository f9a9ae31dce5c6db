#include <gtest/gtest.h>

#include "PrintGeometry.h"

using brivane::print::PagePlacement;
using brivane::print::PrintGeometry;

namespace {

// Landscape pages stay landscape (smaller, centred) instead of being turned;
// small pages grow to the paper; aspect always kept. A broken page box or a
// paper without printable area used to reach cairo as an infinite or NaN
// scale, which puts the whole print job in error: those draw nothing.
TEST(PrintGeometry, FitsPagesWithoutRotatingOrDistortingAndNeverBadScales) {
    constexpr double W = 595.0, H = 842.0, NaN = std::numeric_limits<double>::quiet_NaN(),
                     Inf = std::numeric_limits<double>::infinity();
    const struct {
        double pageW, pageH, areaW, areaH;
        PagePlacement expected;
    } cases[] = {
        {W, H, W, H, {1.0, 0.0, 0.0}},
        {H, W, W, H, {W / H, 0.0, (H - W * W / H) / 2.0}},
        {100.0, 100.0, 500.0, 800.0, {5.0, 0.0, 150.0}},
        {100.0, 400.0, 500.0, 800.0, {2.0, 150.0, 0.0}},
        {0, H, W, H, {}},
        {-1, H, W, H, {}},
        {NaN, H, W, H, {}},
        {W, Inf, W, H, {}},
        {W, H, 0, H, {}},
        {W, H, W, NaN, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pageW << "x" << c.pageH << " on " << c.areaW << "x" << c.areaH);
        const PagePlacement at = PrintGeometry::FitPage(c.pageW, c.pageH, c.areaW, c.areaH);
        EXPECT_NEAR(at.scale, c.expected.scale, 1e-9);
        EXPECT_NEAR(at.offsetX, c.expected.offsetX, 1e-9);
        EXPECT_NEAR(at.offsetY, c.expected.offsetY, 1e-9);
    }
}

}  // namespace
