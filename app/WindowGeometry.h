#pragma once

#include <optional>

namespace brivane::app {

// The two window looks in numbers. The reading window's origin is kept for
// completeness: GTK 4 lets the window manager place windows.
class WindowGeometry {
public:
    struct Size {
        double width = 0;
        double height = 0;
    };
    struct Point {
        double x = 0;
        double y = 0;
    };

    static constexpr Size START_CONTENT{450, 300};
    static constexpr Size FALLBACK_SCREEN{1024, 768};

    // screen: the monitor's geometry, or nothing when there is no monitor.
    static Size ReadingContentSize(std::optional<Size> screen);
    // Lower-left corner with y growing upwards, as the original arithmetic had it.
    static Point ReadingOrigin(std::optional<Size> screen);
};

}  // namespace brivane::app
