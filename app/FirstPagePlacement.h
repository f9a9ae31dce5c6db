#pragma once

namespace brivane::app {

// Where the reader page will put a book's first page, worked out before the
// page exists, so that a picture of it can stand there meanwhile. Follows
// the reader's own layout: its bars, a margin round the stage, the
// cover alone on the right half of a spread when spreads fit.
class FirstPagePlacement {
public:
    struct Box {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Box&) const = default;
    };

    // The reader's bars above and below its stage, in CSS pixels, as they come
    // out with the system's fonts.
    static constexpr double TOP_BAR_HEIGHT = 50;
    static constexpr double BOTTOM_BAR_HEIGHT = 48;

    // view: the web view's size; page: the first page's size in any unit.
    // An empty box when nothing sensible fits.
    static Box Place(double viewWidth, double viewHeight, double pageWidth, double pageHeight, int pageCount);
};

}  // namespace brivane::app
