#include "app/NetWmIcon.h"

#include <algorithm>
#include <cmath>

namespace brivane::app {

namespace {
constexpr int USUAL_SIZES[] = {256, 128, 64, 48, 32, 16};

IconSize Scaled(int width, int height, int longest) {
    const int longSide = std::max(width, height);
    const auto shortSide = [&](int side) {
        return std::max(1, static_cast<int>(std::lround(static_cast<double>(side) * longest / longSide)));
    };
    if (width >= height) return {longest, shortSide(height)};
    return {shortSide(width), longest};
}
}  // namespace

std::vector<IconSize> NetWmIcon::SizesFor(int width, int height) {
    std::vector<IconSize> sizes;
    if (width <= 0 || height <= 0) return sizes;
    const int longSide = std::max(width, height);
    for (int size : USUAL_SIZES)
        if (size <= longSide) sizes.push_back(Scaled(width, height, size));
    if (sizes.empty()) sizes.push_back({width, height});
    return sizes;
}

bool NetWmIcon::Append(std::vector<unsigned long>& out, const unsigned char* pixels, std::size_t byteLength, int width,
                       int height, int rowstride, int channels) {
    if (!pixels || width <= 0 || height <= 0 || (channels != 3 && channels != 4)) return false;
    const auto rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    if (rowstride < 0 || static_cast<std::size_t>(rowstride) < rowBytes) return false;
    // gdk-pixbuf leaves the last row unpadded, so count it at its real length.
    const std::size_t needed = static_cast<std::size_t>(rowstride) * static_cast<std::size_t>(height - 1) + rowBytes;
    if (byteLength < needed) return false;

    out.reserve(out.size() + 2 + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    out.push_back(static_cast<unsigned long>(width));
    out.push_back(static_cast<unsigned long>(height));
    for (int y = 0; y < height; ++y) {
        const unsigned char* p = pixels + static_cast<std::size_t>(rowstride) * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x, p += channels) {
            const unsigned long alpha = channels == 4 ? p[3] : 0xffUL;
            out.push_back(alpha << 24 | static_cast<unsigned long>(p[0]) << 16 | static_cast<unsigned long>(p[1]) << 8 |
                          p[2]);
        }
    }
    return true;
}

}  // namespace brivane::app
