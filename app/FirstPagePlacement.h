#pragma once

#include "document/ReadingPositions.h"

#include <optional>

namespace brivane::app {

// Where the reader page will put a book's first page, worked out before the
// page exists, so that a picture of it can stand there meanwhile. Follows
// the reader's own layout: its bars, a margin round the stage, the
// cover alone on one half of a spread when spreads fit.
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

    // How a book opens, from what is remembered of it; nothing when it opens
    // other than at its cover laid out the default way. The reading direction
    // is known only from the record: the PDF's own is the reader page's to read.
    struct Opening {
        bool rightToLeft = false;
        bool operator==(const Opening&) const = default;
    };
    static std::optional<Opening> OpeningOf(const std::optional<document::ReadingPositions::Book>& stored);

    // view: the web view's size; page: the first page's size in any unit;
    // rightToLeft: the book reads that way, its cover alone on the left.
    // An empty box when nothing sensible fits.
    static Box Place(double viewWidth, double viewHeight, double pageWidth, double pageHeight, int pageCount,
                     bool rightToLeft = false);
};

}  // namespace brivane::app
