#include "app/gtk/ReaderMenus.h"

#include "base/GObjectPtr.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

#include <initializer_list>

namespace brivane::app {

namespace {

using Item = ReaderMenus::Item;
using Section = std::initializer_list<Item>;

void AddSection(GMenu* menu, Section items) {
    auto section = RefPtr<GMenu>::Adopt(g_menu_new());
    for (const auto& item : items) {
        auto entry = RefPtr<GMenuItem>::Adopt(g_menu_item_new(_(item.label), item.action));
        // The menu shows the key; binding it here would take it from the page.
        if (item.accel) g_menu_item_set_attribute(entry.get(), "accel", "s", item.accel);
        g_menu_append_item(section.get(), entry.get());
    }
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(section.get()));
}

void AddMenu(GMenu* menubar, const char* label, std::initializer_list<Section> sections) {
    auto menu = RefPtr<GMenu>::Adopt(g_menu_new());
    for (const auto& section : sections) AddSection(menu.get(), section);
    g_menu_append_submenu(menubar, label, G_MENU_MODEL(menu.get()));
}

}  // namespace

void ReaderMenus::Install(GtkApplication* app, GMenu* menubar) {
    AddMenu(menubar, _("Go"),
            {{{N_("Next Page"), "win.next-page", nullptr},
              {N_("Previous Page"), "win.previous-page", nullptr},
              {N_("First Page"), "win.first-page", "Home"},
              {N_("Last Page"), "win.last-page", "End"}},
             {{N_("Go to Page…"), "win.go-to-page", nullptr}}});
    AddMenu(menubar, _("View"),
            {{{N_("Zoom In"), "win.zoom-in", "<Control>plus"},
              {N_("Zoom Out"), "win.zoom-out", "<Control>minus"},
              {N_("Fit Page"), "win.zoom-fit", "<Control>0"},
              {N_("Fit Width"), "win.fit-width", "w"}},
             {{N_("Two Pages"), "win.view-spread", "<Control>1"},
              {N_("Single Page"), "win.view-single", "<Control>2"},
              {N_("Continuous Scroll"), "win.view-scroll", "<Control>3"},
              {N_("Right to Left"), "win.reading-direction", "r"}},
             {{N_("Page Text"), "win.page-text", nullptr},
              {N_("Contents…"), "win.contents-list", nullptr},
              {N_("Pages…"), "win.pages-list", nullptr},
              {N_("Fullscreen"), "win.fullscreen", "F11"}}});
    AddMenu(menubar, _("Book"),
            {{{N_("Find…"), "win.find", nullptr},
              {N_("Find Next"), "win.find-next", "F3"},
              {N_("Find Previous"), "win.find-previous", "<Shift>F3"}},
             {{N_("Read Aloud / Pause"), "win.read-aloud", nullptr},
              {N_("Stop Reading"), "win.stop-reading", nullptr},
              {N_("Read Faster"), "win.read-faster", nullptr},
              {N_("Read Slower"), "win.read-slower", nullptr}},
             {{N_("Open PDF"), "win.open-pdf", nullptr}, {N_("Print…"), "win.print", "<Control>p"}}});

    // Keys nothing in the page uses.
    const std::pair<const char*, const char*> accels[] = {{"win.page-text", "<Control>t"},
                                                          {"win.find", "<Control><Shift>f"},
                                                          // Turns from the text pane too, where the
                                                          // plain keys move the caret.
                                                          {"win.next-page", "<Control>Page_Down"},
                                                          {"win.previous-page", "<Control>Page_Up"},
                                                          {"win.read-aloud", "<Control><Shift>r"},
                                                          {"win.stop-reading", "<Control><Shift>s"}};
    for (const auto& [action, accel] : accels) {
        const char* list[] = {accel, nullptr};
        gtk_application_set_accels_for_action(app, action, list);
    }
}

}  // namespace brivane::app
