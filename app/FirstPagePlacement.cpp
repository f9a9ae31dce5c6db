#include "app/FirstPagePlacement.h"

#include <algorithm>
#include <cmath>

namespace brivane::app {

namespace {
// The reader's numbers (layout.js and Book.js): kept equal, or the picture
// jumps when the page takes over.
constexpr double SPREAD_MIN_SHARE = 0.75;
constexpr double SPREAD_MIN_WIDTH = 560;
constexpr double MARGIN = 32;
constexpr double MARGIN_SHARE = 0.04;

// JavaScript's Math.round: halves go up, also below zero.
double RoundLikeJs(double value) { return std::floor(value + 0.5); }

double Snap(double length) { return std::max(1.0, RoundLikeJs(length)); }

double Centred(double room, double size) { return RoundLikeJs(std::max(0.0, (room - size) / 2)); }
}  // namespace

std::optional<FirstPagePlacement::Opening> FirstPagePlacement::OpeningOf(
    const std::optional<document::ReadingPositions::Book>& stored) {
    if (!stored) return Opening{};
    const auto& state = stored->state;
    // The reader keeps how a book was seen, defaults included.
    const bool asByDefault = state.view.value_or("spread") == "spread" && state.fit.value_or("page") == "page" &&
                             state.zoom.value_or(1) == 1;
    if (stored->page > 1 || !asByDefault) return std::nullopt;
    return Opening{state.direction == "rtl"};
}

FirstPagePlacement::Box FirstPagePlacement::Place(double viewWidth, double viewHeight, double pageWidth,
                                                  double pageHeight, int pageCount, bool rightToLeft) {
    const double stageWidth = viewWidth;
    const double stageHeight = viewHeight - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT;
    if (stageWidth < 1 || stageHeight < 1 || !(pageWidth > 0) || !(pageHeight > 0) || pageCount < 1) return {};
    const double margin = std::min(MARGIN, stageWidth * MARGIN_SHARE);
    const double roomWidth = std::max(1.0, stageWidth - 2 * margin);
    const double roomHeight = std::max(1.0, stageHeight - 2 * margin);
    const double aspect = pageWidth / pageHeight;

    const double single = std::min(roomWidth / aspect, roomHeight);
    const double spread = std::min(roomWidth / 2 / aspect, roomHeight);
    const bool spreads = pageCount >= 3 && roomWidth >= SPREAD_MIN_WIDTH && spread >= single * SPREAD_MIN_SHARE;

    // In a spread the empty left side mirrors the cover: the book is two pages wide.
    const double scale = spreads ? std::min(roomWidth / (2 * pageWidth), roomHeight / pageHeight)
                                 : std::min(roomWidth / pageWidth, roomHeight / pageHeight);
    const double width = Snap(pageWidth * scale);
    const double height = Snap(pageHeight * scale);
    const double bookWidth = spreads ? 2 * width : width;
    const double left = Centred(stageWidth, bookWidth) + (spreads && !rightToLeft ? width : 0);
    const double top = TOP_BAR_HEIGHT + Centred(stageHeight, height);
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace brivane::app
