// gtest first: Xlib's macros (None, Bool...) clash with its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>  // for XA_CARDINAL
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/x11/gdkx.h>
#include <gtk/gtk.h>
#include <zlib.h>

#include "app/gtk/WindowIcon.h"
#include "base/GObjectPtr.h"
#include "tests/support/TempDir.h"

namespace brivane::app {
namespace {

// An RGBA image filled with fill, its first pixel red and the second a
// half-transparent (0x20,0x40,0x60,0x80).
std::string WritePng(const std::string& path, int width, int height, unsigned fill) {
    auto image = RefPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
    gdk_pixbuf_fill(image.get(), fill);
    const guchar first[] = {0xff, 0x00, 0x00, 0xff, 0x20, 0x40, 0x60, 0x80};
    std::copy(std::begin(first), std::end(first), gdk_pixbuf_get_pixels(image.get()));
    EXPECT_TRUE(gdk_pixbuf_save(image.get(), path.c_str(), "png", nullptr, nullptr));
    return path;
}

// A grey PNG of side x side pixels: a few bytes on disk, side * side * 3 decoded.
std::string WriteHugePng(const std::string& path, unsigned side) {
    std::vector<unsigned char> raw(static_cast<std::size_t>(side + 1) * side, 0);
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, raw.data(), raw.size(), 1), Z_OK);
    packed.resize(packedSize);
    const auto be32 = [](uLong v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&](const std::string& typed) {
        const auto* bytes = reinterpret_cast<const Bytef*>(typed.data());
        png += be32(typed.size() - 4) + typed + be32(crc32(0, bytes, static_cast<uInt>(typed.size())));
    };
    chunk("IHDR" + be32(side) + be32(side) + std::string("\x08\x00\x00\x00\x00", 5));
    chunk("IDAT" + packed);
    chunk("IEND");
    EXPECT_TRUE(g_file_set_contents(path.c_str(), png.data(), static_cast<gssize>(png.size()), nullptr));
    return path;
}

std::vector<unsigned long> ReadIcon(GtkWindow* window) {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    std::vector<unsigned long> icon;
    if (XGetWindowProperty(gdk_x11_display_get_xdisplay(display),
                           gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window))),
                           gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_ICON"), 0, 1 << 20, False,
                           XA_CARDINAL, &type, &format, &count, &after, &raw) == Success &&
        raw) {
        // Xlib hands 32-bit items back sign-extended into longs.
        for (unsigned long i = 0; format == 32 && i < count; ++i)
            icon.push_back(reinterpret_cast<const unsigned long*>(raw)[i] & 0xffffffffUL);
        XFree(raw);
    }
    return icon;
}

// GTK 4 writes no icon property from an image: the favicon has to arrive on
// the window even when set before it is realized, in straight alpha. Reset
// without an icon of ours in the theme still takes it away; with one, it
// shows it, as does a favicon that is refused.
TEST(WindowIcon, ImageReachesTheWindowAndResetRestoresTheApplicationIcon) {
    if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) GTEST_SKIP() << "needs an X11 display";
    test::TempDir dir;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    const std::string favicon = WritePng(dir / "wide.png", 64, 32, 0x00ff00ff);

    ASSERT_TRUE(WindowIcon::SetFromFile(window, favicon));
    gtk_widget_realize(GTK_WIDGET(window));
    std::vector<unsigned long> icon = ReadIcon(window);
    ASSERT_EQ(icon.size(), 4 * 2 + 64 * 32 + 48 * 24 + 32 * 16 + 16 * 8);
    EXPECT_EQ(std::vector<unsigned long>(icon.begin(), icon.begin() + 5),
              (std::vector<unsigned long>{64, 32, 0xffff0000UL, 0x80204060UL, 0xff00ff00UL}));

    WindowIcon::Reset(window);
    EXPECT_STREQ(gtk_window_get_icon_name(window), "com.brivane.Reader");
    EXPECT_TRUE(ReadIcon(window).empty());

    WritePng(dir / "com.brivane.Reader.png", 48, 48, 0x0000ffff);
    gtk_icon_theme_add_search_path(gtk_icon_theme_get_for_display(gdk_display_get_default()), dir.Path().c_str());
    // A crafted favicon must not make us allocate gigabytes.
    ASSERT_TRUE(WindowIcon::SetFromFile(window, favicon));
    EXPECT_FALSE(WindowIcon::SetFromFile(window, WriteHugePng(dir / "huge.png", 8200)));
    icon = ReadIcon(window);
    ASSERT_GE(icon.size(), 2u + 256 * 256);
    EXPECT_EQ(icon[0], 256u);
    EXPECT_EQ(icon[2 + 256 * 128 + 128], 0xff0000ffUL);
    gtk_window_destroy(window);
}

}  // namespace
}  // namespace brivane::app
