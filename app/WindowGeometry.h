#pragma once

#include <optional>

namespace brivane::app {

// The two window looks in numbers. There is no reading-window origin: GTK 4
// leaves placing windows to the window manager.
class WindowGeometry {
public:
    struct Size {
        double width = 0;
        double height = 0;
    };

    static constexpr Size START_CONTENT{450, 300};
    static constexpr Size FALLBACK_SCREEN{1024, 768};

    struct Pixels {
        int width = 0;
        int height = 0;
    };

    // screen: the monitor's geometry, or nothing when there is no monitor.
    static Size ReadingContentSize(std::optional<Size> screen);
    // The window's default size that gives the reading content its size
    // below a menu bar of the given height, in whole pixels.
    static Pixels ReadingWindowSize(std::optional<Size> screen, int menubarHeight);
};

}  // namespace brivane::app
