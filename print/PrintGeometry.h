#pragma once

#include <utility>

namespace brivane::print {

// Where one PDF page lands on the printable area: drawn at (offsetX, offsetY)
// with a uniform scale. A scale of 0 means there is nothing sensible to draw.
struct PagePlacement {
    double scale = 0.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

class PrintGeometry {
public:
    // Fits a page into the area keeping its aspect, centred, never rotated:
    // a landscape page on portrait paper simply comes out smaller.
    static PagePlacement FitPage(double pageWidth, double pageHeight, double areaWidth, double areaHeight);
    // Two pages side by side as a spread shows them: one scale, meeting at
    // the spine, bottoms level, the pair centred. Both empty when either
    // page or the area makes no sense.
    static std::pair<PagePlacement, PagePlacement> FitSpread(double leftWidth, double leftHeight, double rightWidth,
                                                             double rightHeight, double areaWidth, double areaHeight);
};

}  // namespace brivane::print
