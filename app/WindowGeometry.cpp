#include "WindowGeometry.h"

namespace brivane::app {

namespace {
constexpr double DIVISOR = 1.2;
}  // namespace

WindowGeometry::Size WindowGeometry::ReadingContentSize(std::optional<Size> screen) {
    const Size s = screen.value_or(FALLBACK_SCREEN);
    return {s.width / DIVISOR, s.height / DIVISOR};
}

}  // namespace brivane::app
