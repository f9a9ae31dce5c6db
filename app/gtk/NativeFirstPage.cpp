#include "app/gtk/NativeFirstPage.h"

#include "app/gtk/WindowLooks.h"
#include "document/ArchivedPdf.h"
#include "document/FlipbookMeta.h"
#include "document/MetadataValue.h"
#include "document/ReadingPositions.h"

#include <cairo.h>
#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace brivane::app {

struct NativeFirstPage::Rendered {
    double pageWidth = 0;
    double pageHeight = 0;
    int pageCount = 0;
    bool rightToLeft = false;
    RefPtr<GdkTexture> texture;
};

namespace {

// A deflated PDF has to be inflated whole to be read: past this the reader
// page, reading it by ranges, is the better way to its first page.
constexpr std::uint64_t INFLATE_LIMIT = 16ull << 20;
// A page poppler is still drawing by then holds up the reader page no longer.
constexpr guint PATIENCE_MS = 1500;

struct Job {
    std::string fileUrl;
    double viewWidth = 0;
    double viewHeight = 0;
    std::shared_ptr<const document::ReadingPositions> positions;
};

// A book left at another page, or seen another way, opens there: its cover
// would only flash by.
std::optional<FirstPagePlacement::Opening> OpeningOf(const Job& job) {
    if (!job.positions) return FirstPagePlacement::Opening{};
    const auto doc = document::FlipbookMeta(job.fileUrl).LoadMetadata();
    const auto id = doc ? document::MetadataValue(*doc)["id"].String() : std::nullopt;
    return FirstPagePlacement::OpeningOf(id && !id->empty() ? job.positions->Find(*id) : std::nullopt);
}

constexpr const char* DESK_CLASS = "brivane-first-page-desk";

// The reader's desk colour under the picture until the page paints its own:
// the window's light background would flash between them.
void ProvideDesk() {
    static bool provided = false;
    if (std::exchange(provided, true)) return;
    auto provider = RefPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(provider.get(), ".brivane-first-page-desk { background-color: #2e3237; }", -1);
    gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// On a worker thread: the document is opened, read and dropped there.
void Render(GTask* task, gpointer, gpointer data, GCancellable* cancellable) {
    const auto& job = *static_cast<Job*>(data);
    const auto opening = OpeningOf(job);
    if (!opening) return g_task_return_pointer(task, nullptr, nullptr);
    auto pdf = document::ArchivedPdf::Open(job.fileUrl, INFLATE_LIMIT);
    if (!pdf || g_cancellable_is_cancelled(cancellable)) return g_task_return_pointer(task, nullptr, nullptr);
    auto rendered = std::make_unique<NativeFirstPage::Rendered>();
    rendered->pageCount = poppler_document_get_n_pages(pdf->Document());
    auto page = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(pdf->Document(), 0));
    if (!page) return g_task_return_pointer(task, nullptr, nullptr);
    // Rotated pages come with their width and height as shown.
    poppler_page_get_size(page.get(), &rendered->pageWidth, &rendered->pageHeight);
    rendered->rightToLeft = opening->rightToLeft;
    const auto box = FirstPagePlacement::Place(job.viewWidth, job.viewHeight, rendered->pageWidth, rendered->pageHeight,
                                               rendered->pageCount, rendered->rightToLeft);
    if (box.width <= 0 || g_cancellable_is_cancelled(cancellable)) return g_task_return_pointer(task, nullptr, nullptr);

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, box.width, box.height);
    cairo_t* cr = cairo_create(surface);
    // The reader's page is white under what the PDF draws.
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, box.width / rendered->pageWidth, box.height / rendered->pageHeight);
    poppler_page_render(page.get(), cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        const int stride = cairo_image_surface_get_stride(surface);
        std::unique_ptr<GBytes, decltype(&g_bytes_unref)> bytes(
            g_bytes_new_with_free_func(cairo_image_surface_get_data(surface),
                                       static_cast<gsize>(stride) * static_cast<gsize>(box.height),
                                       reinterpret_cast<GDestroyNotify>(cairo_surface_destroy), surface),
            g_bytes_unref);
        rendered->texture = RefPtr<GdkTexture>::Adopt(
            gdk_memory_texture_new(box.width, box.height, GDK_MEMORY_DEFAULT, bytes.get(), static_cast<gsize>(stride)));
    } else {
        cairo_surface_destroy(surface);
    }
    if (!rendered->texture) return g_task_return_pointer(task, nullptr, nullptr);
    g_task_return_pointer(task, rendered.release(),
                          [](gpointer p) { delete static_cast<NativeFirstPage::Rendered*>(p); });
}

}  // namespace

NativeFirstPage::NativeFirstPage(GtkWindow* window, GtkOverlay* overlay, std::string fileUrl,
                                 std::function<void()> settled)
    : window_(window),
      overlay_(overlay),
      fileUrl_(std::move(fileUrl)),
      settled_(std::move(settled)),
      cancel_(RefPtr<GCancellable>::Adopt(g_cancellable_new())) {
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
    picture_ = gtk_picture_new();
    gtk_picture_set_can_shrink(GTK_PICTURE(picture_), TRUE);
    // A picture only: clicks and keys go to the page under it.
    gtk_widget_set_can_target(picture_, FALSE);
    gtk_widget_set_visible(picture_, FALSE);
    gtk_overlay_add_overlay(overlay_, picture_);
    ProvideDesk();
    gtk_widget_add_css_class(GTK_WIDGET(overlay_), DESK_CLASS);
    position_ = SignalConnection(overlay_, "get-child-position", G_CALLBACK(ChildPosition), this);
    // The window gets its reading size right after the view is made.
    start_ = g_idle_add_full(
        G_PRIORITY_HIGH_IDLE,
        +[](gpointer self) {
            static_cast<NativeFirstPage*>(self)->start_ = 0;
            static_cast<NativeFirstPage*>(self)->Start();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

NativeFirstPage::~NativeFirstPage() {
    if (start_) g_source_remove(start_);
    if (settleIdle_) g_source_remove(settleIdle_);
    if (patience_) g_source_remove(patience_);
    Remove();
    // Whoever waits for the picture must not wait for ever.
    if (settled_) std::exchange(settled_, nullptr)();
    if (window_) g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void NativeFirstPage::Start() {
    if (!window_ || !picture_) return Settle();
    int width = gtk_widget_get_width(GTK_WIDGET(overlay_));
    int height = gtk_widget_get_height(GTK_WIDGET(overlay_));
    if (width <= 0 || height <= 0) {
        gtk_window_get_default_size(window_, &width, &height);
        height -= WindowLooks::MenubarHeight(window_);
    }
    if (width <= 0 || height <= 0) return Settle();
    auto* job = new Job{fileUrl_, static_cast<double>(width), static_cast<double>(height),
                        document::ReadingPositions::ForUser()};
    auto task = RefPtr<GTask>::Adopt(g_task_new(
        nullptr, cancel_.get(),
        +[](GObject*, GAsyncResult* result, gpointer self) {
            auto* rendered = static_cast<Rendered*>(g_task_propagate_pointer(G_TASK(result), nullptr));
            std::unique_ptr<Rendered> owned(rendered);
            // Cancelled: the view has gone and self with it.
            if (g_cancellable_is_cancelled(g_task_get_cancellable(G_TASK(result)))) return;
            if (owned) static_cast<NativeFirstPage*>(self)->Show(*owned);
            static_cast<NativeFirstPage*>(self)->Settle();
        },
        this));
    g_task_set_return_on_cancel(task.get(), FALSE);
    g_task_set_task_data(task.get(), job, [](gpointer p) { delete static_cast<Job*>(p); });
    g_task_run_in_thread(task.get(), Render);
    patience_ = g_timeout_add(
        PATIENCE_MS,
        +[](gpointer data) {
            auto* self = static_cast<NativeFirstPage*>(data);
            self->patience_ = 0;
            if (self->settled_) std::exchange(self->settled_, nullptr)();
            return G_SOURCE_REMOVE;
        },
        this);
}

void NativeFirstPage::Show(const Rendered& rendered) {
    if (!picture_) return;
    pageWidth_ = rendered.pageWidth;
    pageHeight_ = rendered.pageHeight;
    pageCount_ = rendered.pageCount;
    rightToLeft_ = rendered.rightToLeft;
    gtk_picture_set_paintable(GTK_PICTURE(picture_), GDK_PAINTABLE(rendered.texture.get()));
    gtk_widget_set_visible(picture_, TRUE);
}

void NativeFirstPage::Settle() {
    if (!settled_) return;
    if (!picture_ || !gtk_widget_get_visible(picture_)) return std::exchange(settled_, nullptr)();
    // Once the frame that holds the picture has been painted.
    gtk_widget_add_tick_callback(
        picture_,
        +[](GtkWidget*, GdkFrameClock*, gpointer data) {
            auto* self = static_cast<NativeFirstPage*>(data);
            self->settleIdle_ = g_idle_add(
                +[](gpointer data) {
                    auto* self = static_cast<NativeFirstPage*>(data);
                    self->settleIdle_ = 0;
                    if (self->settled_) std::exchange(self->settled_, nullptr)();
                    return G_SOURCE_REMOVE;
                },
                self);
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

void NativeFirstPage::Remove() {
    g_cancellable_cancel(cancel_.get());
    if (!picture_) return;
    position_.Disconnect();
    gtk_overlay_remove_overlay(overlay_, std::exchange(picture_, nullptr));
    gtk_widget_remove_css_class(GTK_WIDGET(overlay_), DESK_CLASS);
}

gboolean NativeFirstPage::ChildPosition(GtkOverlay* overlay, GtkWidget* child, GdkRectangle* where, gpointer data) {
    auto* self = static_cast<NativeFirstPage*>(data);
    if (child != self->picture_) return FALSE;
    const auto box =
        FirstPagePlacement::Place(gtk_widget_get_width(GTK_WIDGET(overlay)), gtk_widget_get_height(GTK_WIDGET(overlay)),
                                  self->pageWidth_, self->pageHeight_, self->pageCount_, self->rightToLeft_);
    *where = {box.x, box.y, box.width, box.height};
    return TRUE;
}

}  // namespace brivane::app
