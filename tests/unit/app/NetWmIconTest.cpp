#include <gtest/gtest.h>

#include "app/NetWmIcon.h"

namespace brivane::app {
namespace {

TEST(NetWmIcon, SizesNeverEnlargeAndKeepTheAspect) {
    const std::pair<IconSize, std::vector<IconSize>> cases[] = {
        {{64, 32}, {{64, 32}, {48, 24}, {32, 16}, {16, 8}}},
        {{20, 60}, {{16, 48}, {11, 32}, {5, 16}}},
        {{300, 2}, {{256, 2}, {128, 1}, {64, 1}, {48, 1}, {32, 1}, {16, 1}}},
        {{10, 7}, {{10, 7}}},
        {{0, 16}, {}},
        {{16, -1}, {}},
    };
    for (const auto& [image, expected] : cases)
        EXPECT_TRUE(NetWmIcon::SizesFor(image.width, image.height) == expected) << image.width << "x" << image.height;
}

// Window managers read straight (not premultiplied) ARGB; a premultiplying or
// byte-swapping mistake shows as dark or blue-tinted icons.
TEST(NetWmIcon, PacksStraightArgbHonouringRowPadding) {
    // 2x2 RGBA, 4 bytes of padding after the first row only (gdk-pixbuf's last row).
    const unsigned char rgba[] = {0xff, 0x00, 0x00, 0xff, 0x20, 0x40, 0x60, 0x80, 0xde, 0xad,
                                  0xbe, 0xef, 0x00, 0x00, 0xff, 0x00, 0x01, 0x02, 0x03, 0x04};
    std::vector<unsigned long> out{7};  // appends after what is there
    ASSERT_TRUE(NetWmIcon::Append(out, rgba, sizeof rgba, 2, 2, 12, 4));
    EXPECT_EQ(out, (std::vector<unsigned long>{7, 2, 2, 0xffff0000UL, 0x80204060UL, 0x000000ffUL, 0x04010203UL}));

    const unsigned char rgb[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    out.clear();
    ASSERT_TRUE(NetWmIcon::Append(out, rgb, sizeof rgb, 2, 1, 6, 3));
    EXPECT_EQ(out, (std::vector<unsigned long>{2, 1, 0xff112233UL, 0xff445566UL}));
}

TEST(NetWmIcon, RefusesLayoutsThatWouldReadPastTheBuffer) {
    const unsigned char px[16] = {};
    // length, width, height, rowstride, channels
    const int cases[][5] = {
        {15, 2, 2, 8, 4},   // buffer one byte short
        {16, 2, 2, 7, 4},   // rowstride shorter than a row
        {16, 2, 2, -8, 4},  // negative rowstride
        {16, 2, 2, 4, 2},   // two channels
        {16, 0, 2, 8, 4},   // zero width
    };
    for (const auto& c : cases) {
        std::vector<unsigned long> out{1, 2};
        EXPECT_FALSE(NetWmIcon::Append(out, px, c[0], c[1], c[2], c[3], c[4])) << c[0] << " " << c[3];
        EXPECT_EQ(out.size(), 2u);
    }
    std::vector<unsigned long> out;
    EXPECT_FALSE(NetWmIcon::Append(out, nullptr, 16, 2, 2, 8, 4));
}

}  // namespace
}  // namespace brivane::app
