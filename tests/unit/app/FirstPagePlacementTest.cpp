#include "app/FirstPagePlacement.h"

#include <gtest/gtest.h>

namespace brivane::app {
namespace {

using Box = FirstPagePlacement::Box;

// The boxes are what the reader page's own layout gives for the same view and
// page: the native picture must sit exactly where the page will be drawn, or
// nowhere (an empty box) when there is nothing to draw.
TEST(FirstPagePlacementTest, SitsWhereTheReaderDrawsTheFirstPageOrNowhere) {
    const struct {
        const char* what;
        double viewWidth, viewHeight, pageWidth, pageHeight;
        int pageCount;
        Box box;
        bool rightToLeft = false;
    } cases[] = {
        {"the sample's A5 cover alone on the right of a spread", 1200, 751, 420, 595, 10, {600, 82, 416, 589}},
        {"letter size", 1200, 750, 612, 792, 3, {600, 82, 454, 588}},
        {"landscape pages too wide to pair", 1200, 750, 842, 595, 6, {184, 82, 832, 588}},
        {"two pages never pair", 800, 600, 595, 842, 2, {245, 82, 310, 438}},
        {"a narrow view shows one page", 600, 500, 595, 842, 40, {175, 74, 250, 354}},
        {"right to left: the cover alone on the left", 1200, 751, 420, 595, 10, {184, 82, 416, 589}, true},
        {"not yet laid out", 0, 0, 595, 842, 6, {}},
        {"no room between the bars", 800, 90, 595, 842, 6, {}},
        {"a page without size", 1200, 750, 0, 842, 6, {}},
        {"no pages", 1200, 750, 595, 842, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(
            FirstPagePlacement::Place(c.viewWidth, c.viewHeight, c.pageWidth, c.pageHeight, c.pageCount, c.rightToLeft),
            c.box);
    }
}

// The reader stores how it showed a book, defaults and all: those still open
// at the cover as laid out by default, anything else opens elsewhere.
TEST(FirstPagePlacementTest, OnlyBooksOpeningAtTheirCoverGetIt) {
    using Opening = FirstPagePlacement::Opening;
    const auto record = [](int page, document::ViewState state) {
        return document::ReadingPositions::Book{"book-1", page, "file:///home/u/One.flip", "One", state};
    };
    const struct {
        const char* what;
        std::optional<document::ReadingPositions::Book> stored;
        std::optional<Opening> opening;
    } cases[] = {
        {"never opened", std::nullopt, Opening{}},
        {"left at the cover, as by default", record(1, {"spread", "page", 1.0, "ltr"}), Opening{}},
        {"nothing remembered of the view", record(1, {}), Opening{}},
        {"turned right to left", record(1, {"spread", "page", 1.0, "rtl"}), Opening{true}},
        {"left further on", record(7, {"spread", "page", 1.0, "ltr"}), std::nullopt},
        {"one page at a time", record(1, {"single", "page", 1.0, "ltr"}), std::nullopt},
        {"fitted to the width", record(1, {"spread", "width", 1.0, "ltr"}), std::nullopt},
        {"zoomed in", record(1, {"spread", "page", 2.0, "ltr"}), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FirstPagePlacement::OpeningOf(c.stored), c.opening);
    }
}

}  // namespace
}  // namespace brivane::app
