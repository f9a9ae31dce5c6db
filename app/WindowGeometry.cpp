#include "WindowGeometry.h"

namespace brivane::app {

namespace {
constexpr double DIVISOR = 1.2;
constexpr double HORIZONTAL_OFFSET = 512;
}  // namespace

WindowGeometry::Size WindowGeometry::ReadingContentSize(std::optional<Size> screen) {
    const Size s = screen.value_or(FALLBACK_SCREEN);
    return {s.width / DIVISOR, s.height / DIVISOR};
}

WindowGeometry::Point WindowGeometry::ReadingOrigin(std::optional<Size> screen) {
    if (!screen) return {-HORIZONTAL_OFFSET, 0};
    return {screen->width * 0.5 - HORIZONTAL_OFFSET, screen->height};
}

}  // namespace brivane::app
