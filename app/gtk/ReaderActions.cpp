#include "app/gtk/ReaderActions.h"

#include "base/GObjectPtr.h"

namespace brivane::app {

const ReaderActions::PageCommand ReaderActions::PAGE_COMMANDS[] = {
    {"next-page", "next"},
    {"previous-page", "previous"},
    {"first-page", "first"},
    {"last-page", "last"},
    {"zoom-in", "zoomIn"},
    {"zoom-out", "zoomOut"},
    {"zoom-fit", "zoomFit"},
    {"fit-width", "fitWidth"},
    {"view-spread", "viewSpread"},
    {"view-single", "viewSingle"},
    {"view-scroll", "viewScroll"},
    {"reading-direction", "direction"},
    {"find-next", "findNext"},
    {"find-previous", "findPrevious"},
    {"print", "print"},
    {"open-pdf", "openPdf"},
};

ReaderActions::ReaderActions(GtkWindow* window, Commands commands) : window_(window), commands_(std::move(commands)) {
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
    for (const auto& [action, command] : PAGE_COMMANDS)
        Add(action, [this, command = std::string(command)] { commands_.page(command); });
    Add("go-to-page", [this] { commands_.goToPage(); });
    Add("page-text", [this] { commands_.pageText(); });
    Add("find", [this] { commands_.find(); });
    Add("contents-list", [this] { commands_.contentsList(); });
    Add("pages-list", [this] { commands_.pagesList(); });
    Add("read-aloud", [this] { commands_.readAloud(); });
    Add("stop-reading", [this] { commands_.stopReading(); });
    Add("read-faster", [this] { commands_.readFaster(); });
    Add("read-slower", [this] { commands_.readSlower(); });
    Reading(web::ReadAloud::State::Stopped);
}

ReaderActions::~ReaderActions() {
    if (!window_) return;
    for (const auto& [name, run] : added_) g_action_map_remove_action(G_ACTION_MAP(window_), name.c_str());
    g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
}

void ReaderActions::Add(const char* name, std::function<void()> run) {
    auto action = RefPtr<GSimpleAction>::Adopt(g_simple_action_new(name, nullptr));
    auto stored = std::make_unique<std::function<void()>>(std::move(run));
    g_signal_connect(action.get(), "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer run) {
                         (*static_cast<std::function<void()>*>(run))();
                     }),
                     stored.get());
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action.get()));
    added_.emplace_back(name, std::move(stored));
}

void ReaderActions::Enable(const char* name, bool enabled) {
    if (!window_) return;
    if (GAction* action = g_action_map_lookup_action(G_ACTION_MAP(window_), name))
        g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
}

void ReaderActions::Reading(web::ReadAloud::State state) {
    Enable("stop-reading", state != web::ReadAloud::State::Stopped);
}

}  // namespace brivane::app
