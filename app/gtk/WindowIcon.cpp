#include "app/gtk/WindowIcon.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>
#include <vector>

#include "app/NetWmIcon.h"
#include "app/gtk/X11IconProperty.h"
#include "base/GObjectPtr.h"
#include "base/Unique.h"

namespace brivane::app {

namespace {

using IconData = std::vector<unsigned long>;

constexpr const char* APP_ICON_NAME = "com.brivane.Reader";
constexpr const char* ICON_DATA_KEY = "brivane-icon-data";
constexpr const char* REALIZE_HOOKED_KEY = "brivane-icon-realize";
constexpr int THEME_SIZES[] = {256, 64, 32, 16};
constexpr int LARGEST_ICON = 256;
// The favicon comes from an untrusted archive: a few kilobytes of PNG can
// claim an image of gigabytes once decoded.
constexpr long long MAX_IMAGE_PIXELS = 8192LL * 8192LL;

RefPtr<GdkPixbuf> LoadImage(const std::string& path) {
    int width = 0;
    int height = 0;
    if (!gdk_pixbuf_get_file_info(path.c_str(), &width, &height)) return {};
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > MAX_IMAGE_PIXELS) return {};
    if (width > LARGEST_ICON || height > LARGEST_ICON)
        return RefPtr<GdkPixbuf>::Adopt(
            gdk_pixbuf_new_from_file_at_size(path.c_str(), LARGEST_ICON, LARGEST_ICON, nullptr));
    return RefPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new_from_file(path.c_str(), nullptr));
}

bool AppendPixbuf(IconData& out, GdkPixbuf* pixbuf) {
    if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) return false;
    return NetWmIcon::Append(out, gdk_pixbuf_read_pixels(pixbuf), gdk_pixbuf_get_byte_length(pixbuf),
                             gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf),
                             gdk_pixbuf_get_rowstride(pixbuf), gdk_pixbuf_get_n_channels(pixbuf));
}

IconData FromImage(GdkPixbuf* image) {
    IconData data;
    const int width = gdk_pixbuf_get_width(image);
    const int height = gdk_pixbuf_get_height(image);
    for (const IconSize& size : NetWmIcon::SizesFor(width, height)) {
        if (size.width == width && size.height == height) {
            AppendPixbuf(data, image);
            continue;
        }
        auto scaled =
            RefPtr<GdkPixbuf>::Adopt(gdk_pixbuf_scale_simple(image, size.width, size.height, GDK_INTERP_HYPER));
        if (scaled) AppendPixbuf(data, scaled.get());
    }
    return data;
}

// Empty when the theme has no icon of ours: the property is then removed
// rather than left showing the last flipbook's icon.
IconData FromTheme(GtkWindow* window) {
    IconData data;
    GtkIconTheme* theme = gtk_icon_theme_get_for_display(gtk_widget_get_display(GTK_WIDGET(window)));
    for (int size : THEME_SIZES) {
        auto icon = RefPtr<GtkIconPaintable>::Adopt(gtk_icon_theme_lookup_icon(
            theme, APP_ICON_NAME, nullptr, size, 1, GTK_TEXT_DIR_NONE, static_cast<GtkIconLookupFlags>(0)));
        // A miss comes back as the "image-missing" icon; has_icon cannot be
        // asked instead, as it overlooks icons lying loose on a search path.
        const char* found = icon ? gtk_icon_paintable_get_icon_name(icon.get()) : nullptr;
        if (!found || std::strcmp(found, APP_ICON_NAME) != 0) continue;
        auto file = RefPtr<GFile>::Adopt(gtk_icon_paintable_get_file(icon.get()));
        if (!file) continue;
        // Through a stream, so icons compiled into resources load too.
        auto stream = RefPtr<GFileInputStream>::Adopt(g_file_read(file.get(), nullptr, nullptr));
        if (!stream) continue;
        auto image = RefPtr<GdkPixbuf>::Adopt(
            gdk_pixbuf_new_from_stream_at_scale(G_INPUT_STREAM(stream.get()), size, size, TRUE, nullptr, nullptr));
        if (image) AppendPixbuf(data, image.get());
    }
    return data;
}

void OnRealize(GtkWidget* widget, gpointer) {
    const auto* data = static_cast<const IconData*>(g_object_get_data(G_OBJECT(widget), ICON_DATA_KEY));
    if (data) X11IconProperty::Write(GTK_WINDOW(widget), *data);
}

// The X11 surface exists only once the window is realized; until then the
// icon waits on the window and is written when it is (and again on any later
// realize, since a new surface starts without the property).
void Apply(GtkWindow* window, IconData data) {
    AttachState(window, ICON_DATA_KEY, std::make_unique<IconData>(std::move(data)));
    if (!g_object_get_data(G_OBJECT(window), REALIZE_HOOKED_KEY)) {
        // After GTK's own handler, which may set an icon list of its own.
        g_signal_connect_after(window, "realize", G_CALLBACK(OnRealize), nullptr);
        g_object_set_data(G_OBJECT(window), REALIZE_HOOKED_KEY, GINT_TO_POINTER(1));
    }
    if (gtk_widget_get_realized(GTK_WIDGET(window))) OnRealize(GTK_WIDGET(window), nullptr);
}

}  // namespace

bool WindowIcon::SetFromFile(GtkWindow* window, const std::string& pngPath) {
    if (!window) return false;
    const RefPtr<GdkPixbuf> image = LoadImage(pngPath);
    IconData data = image ? FromImage(image.get()) : IconData{};
    if (data.empty()) {
        // Never leave a previous flipbook's icon on a window that reads another.
        Reset(window);
        return false;
    }
    if (X11IconProperty::Applies(window)) Apply(window, std::move(data));
    return true;
}

void WindowIcon::Reset(GtkWindow* window) {
    if (!window) return;
    gtk_window_set_icon_name(window, APP_ICON_NAME);
    if (X11IconProperty::Applies(window)) Apply(window, FromTheme(window));
}

}  // namespace brivane::app
