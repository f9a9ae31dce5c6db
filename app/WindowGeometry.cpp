#include "app/WindowGeometry.h"

#include <algorithm>
#include <cmath>

namespace brivane::app {

namespace {
constexpr double DIVISOR = 1.2;
}  // namespace

WindowGeometry::Size WindowGeometry::ReadingContentSize(std::optional<Size> screen) {
    const Size s = screen.value_or(FALLBACK_SCREEN);
    return {s.width / DIVISOR, s.height / DIVISOR};
}

WindowGeometry::Pixels WindowGeometry::ReadingWindowSize(std::optional<Size> screen, int menubarHeight) {
    const Size content = ReadingContentSize(screen);
    return {static_cast<int>(std::lround(content.width)),
            static_cast<int>(std::lround(content.height)) + std::max(0, menubarHeight)};
}

}  // namespace brivane::app
