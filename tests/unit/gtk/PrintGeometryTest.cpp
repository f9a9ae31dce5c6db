#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PrintGeometry.h"

using brivane::web::PagePlacement;
using brivane::web::PrintGeometry;

namespace {

constexpr double A4W = 595.0, A4H = 842.0;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

struct FitCase {
    const char* name;
    double pageW, pageH, areaW, areaH;
    PagePlacement expected;
};

// Landscape pages stay landscape (smaller, centred) instead of being turned;
// small pages grow to the paper; aspect always kept.
TEST(PrintGeometry, FitsPagesIntoTheAreaWithoutRotatingOrDistorting) {
    const FitCase cases[] = {
        {"same size", A4W, A4H, A4W, A4H, {1.0, 0.0, 0.0}},
        {"landscape on portrait shrinks, centred vertically", A4H, A4W, A4W, A4H,
         {A4W / A4H, 0.0, (A4H - A4W * A4W / A4H) / 2.0}},
        {"small page enlarged", 100.0, 100.0, 500.0, 800.0, {5.0, 0.0, 150.0}},
        {"tall page centred horizontally", 100.0, 400.0, 500.0, 800.0, {2.0, 150.0, 0.0}},
        {"huge page reduced", 5950.0, 8420.0, A4W, A4H, {0.1, 0.0, 0.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PagePlacement at = PrintGeometry::FitPage(c.pageW, c.pageH, c.areaW, c.areaH);
        EXPECT_NEAR(at.scale, c.expected.scale, 1e-9);
        EXPECT_NEAR(at.offsetX, c.expected.offsetX, 1e-9);
        EXPECT_NEAR(at.offsetY, c.expected.offsetY, 1e-9);
        // Nothing may fall outside the printable area.
        EXPECT_LE(at.offsetX * 2 + c.pageW * at.scale, c.areaW + 1e-9);
        EXPECT_LE(at.offsetY * 2 + c.pageH * at.scale, c.areaH + 1e-9);
    }
}

// A broken page box or a paper without printable area used to reach cairo as
// an infinite or NaN scale, which puts the whole print job in error.
TEST(PrintGeometry, DegenerateSizesGiveNothingToDraw) {
    const double bad[][4] = {
        {0, A4H, A4W, A4H}, {A4W, 0, A4W, A4H},   {A4W, A4H, 0, A4H},   {A4W, A4H, A4W, 0},
        {-1, A4H, A4W, A4H}, {NaN, A4H, A4W, A4H}, {A4W, Inf, A4W, A4H}, {A4W, A4H, A4W, NaN},
    };
    for (const auto& b : bad) {
        const PagePlacement at = PrintGeometry::FitPage(b[0], b[1], b[2], b[3]);
        EXPECT_EQ(at.scale, 0.0) << b[0] << " " << b[1] << " " << b[2] << " " << b[3];
        EXPECT_TRUE(std::isfinite(at.offsetX) && std::isfinite(at.offsetY));
    }
}

}  // namespace
