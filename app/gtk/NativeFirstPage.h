#pragma once

#include "app/FirstPagePlacement.h"
#include "base/GObjectPtr.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

namespace brivane::app {

// The book's first page drawn by poppler straight from the archive, shown
// over the web view where the reader page will draw it, while the web
// process starts and the page loads. It goes when the page has drawn its
// own first page, or when something else takes the view.
class NativeFirstPage {
public:
    // settled: the picture is on screen, or there will be none.
    NativeFirstPage(GtkWindow* window, GtkOverlay* overlay, std::string fileUrl, std::function<void()> settled);
    ~NativeFirstPage();
    NativeFirstPage(const NativeFirstPage&) = delete;
    NativeFirstPage& operator=(const NativeFirstPage&) = delete;

    void Remove();
    bool Shown() const { return picture_ && gtk_widget_get_visible(picture_); }

    // What the worker thread hands back: the page and its picture.
    struct Rendered;

private:
    void Start();
    void Show(const Rendered& rendered);
    void Settle();
    static gboolean ChildPosition(GtkOverlay* overlay, GtkWidget* child, GdkRectangle* where, gpointer self);

    GtkWindow* window_;  // weak
    GtkOverlay* overlay_;
    std::string fileUrl_;
    std::function<void()> settled_;
    GtkWidget* picture_ = nullptr;  // owned by the overlay until removed
    RefPtr<GCancellable> cancel_;
    SignalConnection position_;
    guint start_ = 0;
    guint settleIdle_ = 0;
    guint patience_ = 0;
    // The page as the reader will see it, to follow the view's size.
    double pageWidth_ = 0;
    double pageHeight_ = 0;
    int pageCount_ = 0;
    bool rightToLeft_ = false;
};

}  // namespace brivane::app
