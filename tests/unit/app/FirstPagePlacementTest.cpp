#include "FirstPagePlacement.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Box = FirstPagePlacement::Box;

// The boxes are what the reader page's own layout gives for the same view and
// page: the native picture must sit exactly where the page will be drawn.
TEST(FirstPagePlacementTest, SitsWhereTheReaderDrawsTheFirstPage) {
    const struct {
        const char* what;
        double viewWidth, viewHeight, pageWidth, pageHeight;
        int pageCount;
        Box box;
    } cases[] = {
        {"the sample's A5 cover alone on the right of a spread", 1200, 751, 420, 595, 10, {600, 82, 416, 589}},
        {"many pages pair up the same way", 1200, 750, 595, 842, 400, {600, 82, 416, 588}},
        {"letter size", 1200, 750, 612, 792, 3, {600, 82, 454, 588}},
        {"landscape pages too wide to pair", 1200, 750, 842, 595, 6, {184, 82, 832, 588}},
        {"two pages never pair", 800, 600, 595, 842, 2, {245, 82, 310, 438}},
        {"a narrow view shows one page", 600, 500, 595, 842, 40, {175, 74, 250, 354}},
        {"margins shrink with the view", 500, 400, 595, 842, 6, {158, 70, 185, 262}},
        {"a low wide view centres the spread", 2000, 300, 100, 100, 10, {1000, 82, 138, 138}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FirstPagePlacement::Place(c.viewWidth, c.viewHeight, c.pageWidth, c.pageHeight, c.pageCount), c.box);
    }
}

TEST(FirstPagePlacementTest, NothingToPlaceGivesAnEmptyBox) {
    const struct {
        const char* what;
        double viewWidth, viewHeight, pageWidth, pageHeight;
        int pageCount;
    } cases[] = {
        {"not yet laid out", 0, 0, 595, 842, 6},
        {"no room between the bars", 800, 90, 595, 842, 6},
        {"a page without size", 1200, 750, 0, 842, 6},
        {"no pages", 1200, 750, 595, 842, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FirstPagePlacement::Place(c.viewWidth, c.viewHeight, c.pageWidth, c.pageHeight, c.pageCount), Box{});
    }
}

}  // namespace
}  // namespace brivane::app
