#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "print/CurrentSheet.h"
#include "print/PrintGeometry.h"

namespace brivane::print {
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
        {H, W, W, H, {W / H, 0.0, (H - W * W / H) / 2.0}},
        {100.0, 400.0, 500.0, 800.0, {2.0, 150.0, 0.0}},
        {0, H, W, H, {}},
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

// A spread prints as the screen shows it: one scale for both, meeting at the
// spine, bottoms level, the pair centred on the sheet.
TEST(PrintGeometry, FitsASpreadSideBySideWithBottomsLevel) {
    const struct {
        double lw, lh, rw, rh, areaW, areaH;
        PagePlacement left, right;
    } cases[] = {
        {300, 400, 300, 400, 600, 800, {1.0, 0, 200}, {1.0, 300, 200}},
        {300, 400, 300, 400, 1200, 400, {1.0, 300, 0}, {1.0, 600, 0}},
        {300, 400, 300, 200, 600, 400, {1.0, 0, 0}, {1.0, 300, 200}},  // the short page sits on the same line
        {0, 400, 300, 400, 600, 800, {}, {}},
        {300, 400, 300, 400, 600, 0, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lw << "x" << c.lh << " + " << c.rw << "x" << c.rh);
        const auto [left, right] = PrintGeometry::FitSpread(c.lw, c.lh, c.rw, c.rh, c.areaW, c.areaH);
        for (const auto& [got, want] : {std::pair{left, c.left}, std::pair{right, c.right}}) {
            EXPECT_NEAR(got.scale, want.scale, 1e-9);
            EXPECT_NEAR(got.offsetX, want.offsetX, 1e-9);
            EXPECT_NEAR(got.offsetY, want.offsetY, 1e-9);
        }
    }
}

// GTK's current sheet is the earlier page shown (of ten here); the pages keep
// the screen's order. What the page reports is checked: it is the page's to send.
TEST(CurrentSheet, IsThePageOrSpreadOnScreenAndNothingElse) {
    using Sheet = std::optional<std::pair<int, std::vector<int>>>;  // its pageIndex and pages
    const std::pair<std::vector<int>, Sheet> cases[] = {
        {{1}, std::pair(0, std::vector{0})},
        {{4, 5}, std::pair(3, std::vector{3, 4})},
        {{5, 4}, std::pair(3, std::vector{4, 3})},  // right to left
        {{10}, std::pair(9, std::vector{9})},
        {{}, std::nullopt},
        {{0}, std::nullopt},
        {{11}, std::nullopt},
        {{10, 11}, std::nullopt},
        {{4, 6}, std::nullopt},
        {{4, 4}, std::nullopt},
    };
    for (const auto& [shown, expected] : cases) {
        const auto sheet = CurrentSheet::From(shown, 10);
        EXPECT_EQ(sheet ? Sheet(std::pair(sheet->pageIndex, sheet->pages)) : std::nullopt, expected)
            << testing::PrintToString(shown);
    }
}

}  // namespace
}  // namespace brivane::print
