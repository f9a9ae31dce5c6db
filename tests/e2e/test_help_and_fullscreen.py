"""The program's own menu (the shipped help page, the shortcuts window, About),
Help with the service's page alone, and full screen with nothing but the book."""
import ast
import re
import time

from desktop import SCREEN, colour_share, distinct_colours, wait_until
from flipbooks import RED
from reader_app import SERVICE, reader_window


def exported_menu(app):
    """The menu bar as the application exports it on the session bus: [(title, [(label, action)])]."""
    out = app.desktop.run("gdbus", "call", "--session", "--dest", "com.brivane.Reader", "--object-path",
                          "/com/brivane/Reader/menus/menubar", "--method", "org.gtk.Menus.Start",
                          "[" + ",".join(map(str, range(24))) + "]")
    if "Brivane Reader" not in out:
        return None
    groups = {(g, m): items for g, m, items in ast.literal_eval(re.sub(r"uint32 |[<>]", "", out))[0]}

    def items(key):
        for item in groups.get(key, []):
            if ":section" in item:
                yield from items(item[":section"])
            elif "action" in item:
                yield item["label"], item["action"]

    return [(item["label"], list(items(item[":submenu"]))) for item in groups[(0, 0)]]


def test_menus_open_the_help_page_the_shortcuts_window_and_the_service_page(desktop, launch):
    app = launch()
    wid = app.start_window()
    menu = wait_until("the menu bar on the bus", lambda: exported_menu(app), 10)
    # The program's own menu holds the shipped help, the shortcuts and About;
    # Help keeps the service's page, alone.
    assert menu[0] == ("Brivane Reader", [("Reader Help", "app.reader-help"), ("Keyboard Shortcuts", "app.shortcuts"),
                                          ("About Brivane Reader", "app.about")]), menu
    assert menu[-1] == ("Help", [("Brivane Help", "app.help")]), menu

    # Help, the menu bar's last menu: from the first, Left goes round to it, wherever it sits.
    desktop.focus(wid)
    desktop.key("F10")
    time.sleep(0.4)
    desktop.key("Left")
    help_menu = app.wait_new_window([wid], timeout=5)
    width, _ = desktop.geometry(help_menu)
    desktop.click(help_menu, width // 2, 22)  # its one item, the service's page
    desktop.wait_opened(SERVICE + "/download")
    wait_until("the menu to close", lambda: help_menu not in app.windows(), 5)

    # F1: the shipped help page in a window of its own, painted.
    desktop.focus(wid)
    desktop.key("F1")
    help_window = app.wait_new_window([wid])
    app.wait_title(help_window, "Reader Help")
    wait_until("the help page to paint", lambda: distinct_colours(desktop.pixels(help_window)) > 12, 20)
    desktop.screenshot(help_window, "help-page")
    assert desktop.opened() == [SERVICE + "/download"], "the local help went to the browser"

    # Ctrl+?: the shortcuts window.
    desktop.focus(wid)
    desktop.key("ctrl+question")
    shortcuts = app.wait_new_window([wid, help_window])
    wait_until("the shortcuts window to paint", lambda: distinct_colours(desktop.pixels(shortcuts)) > 12, 20)


# The menu bar and the toolbars are light; the page's backdrop and the red book are not.
BAR = (240, 240, 238)


def bars_at_top(desktop, wid, rows=40):
    """Share of the top rows of the window that show a light bar."""
    width, _ = desktop.geometry(wid)
    return colour_share(desktop.pixels(wid)[:3 * width * rows], BAR, tolerance=25)


def fullscreen(desktop, wid):
    return "_NET_WM_STATE_FULLSCREEN" in desktop.run("xprop", "-id", str(wid), "_NET_WM_STATE")


def test_full_screen_shows_only_the_book_and_escape_leaves(desktop, launch, books):
    app = launch(books["red"])
    wid = reader_window(app, books["red_title"], RED)
    windowed = desktop.geometry(wid)
    assert bars_at_top(desktop, wid) > 0.5, "the menu bar should show before"

    desktop.focus(wid)
    desktop.key("F11")
    wait_until("the window to cover the screen", lambda: fullscreen(desktop, wid) and desktop.geometry(wid) == SCREEN, 10)
    # No menu bar, no toolbar: the top of the screen is the page's plain backdrop.
    desktop.run("xdotool", "mousemove", str(SCREEN[0] // 2), str(SCREEN[1] // 2))
    wait_until("the bars to leave the top", lambda: bars_at_top(desktop, wid) < 0.02, 10)
    desktop.screenshot(wid, "fullscreen-book-alone")

    # Escape goes to the page first, which closes its find bar; only then does the window leave full screen.
    desktop.key("ctrl+f")
    time.sleep(0.5)
    desktop.key("Escape")
    time.sleep(0.8)
    assert fullscreen(desktop, wid), "Escape with the find bar open left full screen"
    desktop.key("Escape")
    wait_until("the window to come back", lambda: not fullscreen(desktop, wid) and desktop.geometry(wid) == windowed, 10)
    wait_until("the menu bar and toolbar to come back", lambda: bars_at_top(desktop, wid) > 0.5, 5)
