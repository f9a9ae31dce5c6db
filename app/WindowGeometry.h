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

    // screen: the monitor's geometry, or nothing when there is no monitor.
    static Size ReadingContentSize(std::optional<Size> screen);
};

}  // namespace brivane::app
