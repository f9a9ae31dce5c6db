#pragma once

#include "web/ReadAloud.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace brivane::app {

// The window's actions for a flipbook ("win.next-page", ...), behind the
// Go, View and Book menus; gone with the flipbook.
class ReaderActions {
public:
    struct Commands {
        // One of the reader page's own commands: "next", "zoomIn", ...
        std::function<void(const std::string& command)> page;
        std::function<void()> goToPage;
        std::function<void()> pageText;
        std::function<void()> find;
        std::function<void()> contentsList;
        std::function<void()> pagesList;
        std::function<void()> readAloud;
        std::function<void()> stopReading;
        std::function<void()> readFaster;
        std::function<void()> readSlower;
    };

    ReaderActions(GtkWindow* window, Commands commands);
    ~ReaderActions();
    ReaderActions(const ReaderActions&) = delete;
    ReaderActions& operator=(const ReaderActions&) = delete;

    // Stopping only means something while it reads.
    void Reading(web::ReadAloud::State state);

    // Window action names and the reader page command each runs.
    struct PageCommand {
        const char* action;
        const char* command;
    };
    static const PageCommand PAGE_COMMANDS[];

private:
    void Add(const char* name, std::function<void()> run);
    void Enable(const char* name, bool enabled);

    GtkWindow* window_;  // weak
    Commands commands_;
    std::vector<std::pair<std::string, std::unique_ptr<std::function<void()>>>> added_;
};

}  // namespace brivane::app
