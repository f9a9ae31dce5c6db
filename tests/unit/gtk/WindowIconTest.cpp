// gtest first: Xlib's macros (None, Bool...) clash with its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>  // for XA_CARDINAL
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/x11/gdkx.h>
#include <gtk/gtk.h>
#include <zlib.h>

#include <algorithm>

#include <string>
#include <vector>

#include "TempDir.h"
#include "Unique.h"
#include "WindowIcon.h"

using brivane::test::TempDir;
using brivane::UniqueGObject;
using brivane::app::WindowIcon;

namespace {

constexpr unsigned long RED = 0xffff0000UL, HALF_SLATE = 0x80204060UL, BLUE = 0xff0000ffUL;

// An RGBA image filled with fill whose top-left pixel is (0xff,0,0,0xff) and
// the next one a half-transparent (0x20,0x40,0x60,0x80).
void WritePng(const std::string& path, int width, int height, unsigned fill) {
    UniqueGObject<GdkPixbuf> image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
    gdk_pixbuf_fill(image.get(), fill);
    guchar* px = gdk_pixbuf_get_pixels(image.get());
    const guchar first[] = {0xff, 0x00, 0x00, 0xff, 0x20, 0x40, 0x60, 0x80};
    std::copy(std::begin(first), std::end(first), px);
    ASSERT_TRUE(gdk_pixbuf_save(image.get(), path.c_str(), "png", nullptr, nullptr));
}

// A grey PNG of side x side pixels that compresses to almost nothing but would
// take side * side * 3 bytes to decode.
void WriteHugePng(const std::string& path, unsigned side) {
    std::vector<unsigned char> raw(static_cast<std::size_t>(side + 1) * side, 0);
    uLongf packedSize = compressBound(raw.size());
    std::vector<unsigned char> packed(packedSize);
    ASSERT_EQ(compress2(packed.data(), &packedSize, raw.data(), raw.size(), 1), Z_OK);
    const auto be32 = [](uLong v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&](const char* type, const std::string& body) {
        const std::string typed = type + body;
        png += be32(body.size()) + typed +
               be32(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
    };
    chunk("IHDR", be32(side) + be32(side) + std::string("\x08\x00\x00\x00\x00", 5));
    chunk("IDAT", std::string(packed.begin(), packed.begin() + static_cast<long>(packedSize)));
    chunk("IEND", "");
    ASSERT_TRUE(g_file_set_contents(path.c_str(), png.data(), static_cast<gssize>(png.size()), nullptr));
}

std::vector<unsigned long> ReadIcon(GtkWindow* window) {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    Display* xdisplay = gdk_x11_display_get_xdisplay(display);
    const Window xid = gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window)));
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    std::vector<unsigned long> icon;
    if (XGetWindowProperty(xdisplay, xid, gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_ICON"), 0,
                           1 << 20, False, XA_CARDINAL, &type, &format, &count, &after, &raw) == Success &&
        raw) {
        if (format == 32) {
            const auto* values = reinterpret_cast<const unsigned long*>(raw);
            // Xlib hands 32-bit items back sign-extended into longs.
            for (unsigned long i = 0; i < count; ++i) icon.push_back(values[i] & 0xffffffffUL);
        }
        XFree(raw);
    }
    return icon;
}

// Width, height of every image in the property, in order; empty on a bad layout.
std::vector<std::pair<unsigned long, unsigned long>> Images(const std::vector<unsigned long>& icon) {
    std::vector<std::pair<unsigned long, unsigned long>> sizes;
    for (std::size_t at = 0; at + 2 <= icon.size();) {
        const unsigned long w = icon[at], h = icon[at + 1];
        at += 2 + w * h;
        if (at > icon.size()) return {};
        sizes.emplace_back(w, h);
    }
    return sizes;
}

class WindowIconTest : public testing::Test {
protected:
    void SetUp() override {
        if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) GTEST_SKIP() << "needs an X11 display";
        window_ = GTK_WINDOW(gtk_window_new());
    }
    void TearDown() override {
        if (window_) gtk_window_destroy(window_);
    }
    GtkWindow* window_ = nullptr;
    TempDir dir_;
};

// GTK 4 writes no icon property from an image; the flipbook's favicon has to
// arrive on the window, even when set before the window exists on screen.
TEST_F(WindowIconTest, ImageReachesTheWindowBeforeAndAfterRealize) {
    const std::string wide = dir_.File("wide.png"), square = dir_.File("square.png");
    WritePng(wide, 64, 32, 0x00ff00ff);
    WritePng(square, 300, 300, 0x0000ffff);

    ASSERT_TRUE(WindowIcon::SetFromFile(window_, wide));
    gtk_widget_realize(GTK_WIDGET(window_));
    std::vector<unsigned long> icon = ReadIcon(window_);
    using Sizes = std::vector<std::pair<unsigned long, unsigned long>>;
    EXPECT_EQ(Images(icon), (Sizes{{64, 32}, {48, 24}, {32, 16}, {16, 8}}));
    ASSERT_GE(icon.size(), 5u);
    EXPECT_EQ(icon[2], RED);
    EXPECT_EQ(icon[3], HALF_SLATE) << "alpha must stay straight, not premultiplied";
    EXPECT_EQ(icon[4], 0xff00ff00UL);

    // A second flipbook in the same, now realized, window.
    ASSERT_TRUE(WindowIcon::SetFromFile(window_, square));
    icon = ReadIcon(window_);
    EXPECT_EQ(Images(icon), (Sizes{{256, 256}, {128, 128}, {64, 64}, {48, 48}, {32, 32}, {16, 16}}));
    ASSERT_GE(icon.size(), 3u + 256 * 128);
    EXPECT_EQ(icon[2 + 256 * 128 + 128], BLUE);  // middle of the largest image
}

// Reset without an icon of ours in the theme must still take the flipbook's
// icon away; with one, it shows it.
TEST_F(WindowIconTest, ResetAndUnreadableImagesGoBackToTheApplicationIcon) {
    const std::string favicon = dir_.File("favicon.png"), broken = dir_.File("broken.png"),
                      huge = dir_.File("huge.png");
    WritePng(favicon, 32, 32, 0x00ff00ff);
    WriteHugePng(huge, 8200);
    g_file_set_contents(broken.c_str(), "not an image", -1, nullptr);
    gtk_widget_realize(GTK_WIDGET(window_));

    ASSERT_TRUE(WindowIcon::SetFromFile(window_, favicon));
    ASSERT_FALSE(ReadIcon(window_).empty());
    WindowIcon::Reset(window_);
    EXPECT_STREQ(gtk_window_get_icon_name(window_), "com.brivane.Reader");
    EXPECT_TRUE(ReadIcon(window_).empty());

    const std::string appIcon = dir_.File("com.brivane.Reader.png");
    WritePng(appIcon, 48, 48, 0x0000ffff);
    gtk_icon_theme_add_search_path(gtk_icon_theme_get_for_display(gdk_display_get_default()), dir_.Path());

    struct Step {
        const char* name;
        std::string file;
    };
    const Step steps[] = {
        {"unreadable image", broken},
        {"missing image", dir_.File("gone.png")},
        // A crafted flipbook's favicon must not make us allocate gigabytes.
        {"image too large to decode", huge},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(WindowIcon::SetFromFile(window_, favicon));
        EXPECT_FALSE(WindowIcon::SetFromFile(window_, step.file));
        const std::vector<unsigned long> icon = ReadIcon(window_);
        ASSERT_GE(icon.size(), 2u + 256 * 256);
        EXPECT_EQ(icon[0], 256u);
        EXPECT_EQ(icon[1], 256u);
        EXPECT_EQ(icon[2 + 256 * 128 + 128], BLUE);
    }
}

}  // namespace
