#include "print/PrintGeometry.h"

#include <algorithm>
#include <cmath>

namespace brivane::print {

namespace {
bool Usable(double v) { return std::isfinite(v) && v > 0.0; }
}  // namespace

PagePlacement PrintGeometry::FitPage(double pageWidth, double pageHeight, double areaWidth, double areaHeight) {
    // A broken page box or a paper with no printable area would otherwise
    // give infinities or NaN to cairo, which then refuses the whole job.
    if (!Usable(pageWidth) || !Usable(pageHeight) || !Usable(areaWidth) || !Usable(areaHeight)) return {};
    const double scale = std::min(areaWidth / pageWidth, areaHeight / pageHeight);
    return {scale, (areaWidth - pageWidth * scale) / 2.0, (areaHeight - pageHeight * scale) / 2.0};
}

std::pair<PagePlacement, PagePlacement> PrintGeometry::FitSpread(double leftWidth, double leftHeight, double rightWidth,
                                                                 double rightHeight, double areaWidth,
                                                                 double areaHeight) {
    if (!Usable(leftWidth) || !Usable(leftHeight) || !Usable(rightWidth) || !Usable(rightHeight) ||
        !Usable(areaWidth) || !Usable(areaHeight))
        return {};
    const double width = leftWidth + rightWidth;
    const double height = std::max(leftHeight, rightHeight);
    const double scale = std::min(areaWidth / width, areaHeight / height);
    const double x = (areaWidth - width * scale) / 2.0;
    const double bottom = (areaHeight + height * scale) / 2.0;
    return {{scale, x, bottom - leftHeight * scale}, {scale, x + leftWidth * scale, bottom - rightHeight * scale}};
}

}  // namespace brivane::print
