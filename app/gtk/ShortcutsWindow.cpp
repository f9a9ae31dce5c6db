#include "app/gtk/ShortcutsWindow.h"

#include "base/GObjectPtr.h"
#include "base/Unique.h"

#include <glib/gi18n-lib.h>  // for _() and N_()

namespace brivane::app {

namespace {

std::string Property(const char* name, const char* value) {
    UniqueGChars escaped(g_markup_escape_text(value, -1));
    return std::string("<property name=\"") + name + "\">" + escaped.get() + "</property>";
}

}  // namespace

const std::vector<ShortcutsWindow::Group>& ShortcutsWindow::Groups() {
    // The reader page's keys (reader/src/flipbook/keys.js), then the window's.
    static const std::vector<Group> groups = {
        {N_("Turning pages"),
         {{"Right Down Page_Down space", N_("Next page")},
          {"Left Up Page_Up <Shift>space", N_("Previous page")},
          {"Home", N_("First page")},
          {"End", N_("Last page")},
          {"<Control>g <Control>l", N_("Go to page")}}},
        {N_("Views"),
         {{"<Control>1", N_("Two pages")},
          {"<Control>2", N_("Single page")},
          {"<Control>3", N_("Continuous scroll")},
          {"r", N_("Reverse the reading direction")}}},
        {N_("Zoom"),
         {{"plus <Control>plus", N_("Zoom in")},
          {"minus <Control>minus", N_("Zoom out")},
          {"0 <Control>0", N_("Fit to window")},
          {"w", N_("Fit width")}}},
        {N_("Find"),
         {{"<Control>f", N_("Find in book")},
          {"F3 Return", N_("Next match")},
          {"<Shift>F3 <Shift>Return", N_("Previous match")},
          {"<Control>a", N_("Select the shown text")},
          {"<Control>c", N_("Copy the selected text")},
          {"Escape", N_("Close the find bar or a panel")}}},
        {N_("Reading aids"),
         {{"<Control>t", N_("Show or hide the page text")},
          {"<Control><Shift>f", N_("Find from the text pane")},
          {"<Control>Page_Down <Control>Page_Up", N_("Turn pages from the text pane")},
          {"<Control><Shift>r", N_("Read aloud or pause")},
          {"<Control><Shift>s", N_("Stop reading")}}},
        {N_("Window"),
         {{"F11", N_("Full screen")},
          {"Escape", N_("Leave full screen")},
          {"<Control>p", N_("Print")},
          {"<Control>n", N_("New Window")},
          {"<Control>o", N_("Open…")},
          {"<Control>w", N_("Close Window")},
          {"<Control>q", N_("Quit")}}},
        {N_("Help"), {{"F1", N_("Reader Help")}, {"<Control>question", N_("Keyboard Shortcuts")}}},
    };
    return groups;
}

std::string ShortcutsWindow::Description(const std::vector<Group>& groups) {
    std::string xml = "<interface><object class=\"GtkShortcutsWindow\" id=\"window\">" + Property("modal", "1") +
                      "<child><object class=\"GtkShortcutsSection\">" + Property("section-name", "reader") +
                      Property("max-height", "17");
    for (const auto& group : groups) {
        xml += "<child><object class=\"GtkShortcutsGroup\">" + Property("title", _(group.title));
        for (const auto& shortcut : group.shortcuts)
            xml += "<child><object class=\"GtkShortcutsShortcut\">" + Property("accelerator", shortcut.accelerator) +
                   Property("title", _(shortcut.title)) + "</object></child>";
        xml += "</object></child>";
    }
    return xml + "</object></child></object></interface>";
}

GtkWindow* ShortcutsWindow::Create(GtkWindow* parent) {
    const std::string xml = Description(Groups());
    auto builder = RefPtr<GtkBuilder>::Adopt(gtk_builder_new_from_string(xml.c_str(), -1));
    auto* window = GTK_WINDOW(gtk_builder_get_object(builder.get(), "window"));
    if (parent) gtk_window_set_transient_for(window, parent);
    return window;
}

}  // namespace brivane::app
