#pragma once

#include <cstddef>
#include <vector>

namespace brivane::app {

struct IconSize {
    int width = 0;
    int height = 0;
    bool operator==(const IconSize&) const = default;
};

// The X11 window icon property: for each image its width, its height, then
// its pixels row by row as non-premultiplied 0xAARRGGBB, each value in a
// C long (64 bits on x86_64, as Xlib wants for format 32).
class NetWmIcon {
public:
    // The sizes to offer for an image, largest first: the usual icon sizes up
    // to the image's own (no enlarging), longest side at that size, aspect
    // kept. An image smaller than every usual size is offered as it is.
    static std::vector<IconSize> SizesFor(int width, int height);

    // Appends one image given as 8-bit RGB or RGBA rows (gdk-pixbuf's
    // layout: straight alpha, rows rowstride bytes apart, byteLength in all).
    // Appends nothing and answers false when the layout does not add up.
    static bool Append(std::vector<unsigned long>& out, const unsigned char* pixels, std::size_t byteLength, int width,
                       int height, int rowstride, int channels);
};

}  // namespace brivane::app
