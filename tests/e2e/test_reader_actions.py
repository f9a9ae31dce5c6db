"""What the reader hands to the system: the PDF, printing, links and help pages."""
from pathlib import Path
from urllib.parse import unquote, urlparse

from desktop import wait_until
from helpers import start_window, wait_pages
from flipbooks import RED
from reader_app import SERVICE


def reader(launch, books):
    app = launch(books["red"])
    (wid,) = app.wait_windows(1, timeout=30)
    app.wait_title(wid, books["red_title"])
    wait_pages(app.desktop, wid, RED)
    return app, wid


def toolbar_click(app, wid, from_right):
    _, _, width, _ = app.desktop.geometry(wid)
    app.desktop.focus(wid)
    app.desktop.click(wid, width - from_right, 49)


def test_open_pdf_hands_workspace_pdf_to_system(desktop, launch, books):
    app, wid = reader(launch, books)
    toolbar_click(app, wid, 63)
    line = wait_until("a PDF address handed over",
                      lambda: [a for a in desktop.opened() if a.endswith(".pdf")], 10)[0]
    # GIO hands local files to the handler as paths.
    path = Path(unquote(urlparse(line).path) if line.startswith("file://") else line)
    assert path.name == "flipbook.pdf", line
    assert path.is_file() and path.is_relative_to(Path(desktop.tmpdir)), line


def test_print_shows_print_dialog(desktop, launch, books):
    app, wid = reader(launch, books)
    known = app.windows()
    toolbar_click(app, wid, 27)
    dialog = app.wait_new_window(known, timeout=15)
    desktop.screenshot(dialog, "print-dialog")
    desktop.focus(dialog)
    desktop.key("Escape")
    wait_until("the print dialog to close", lambda: dialog not in app.windows(), 10)
    assert app.windows() == [wid]
    assert desktop.opened() == []


def test_new_window_link_in_pdf_goes_to_browser(desktop, launch, books):
    app, wid = reader(launch, books)
    _, _, width, height = desktop.geometry(wid)
    # The link covers the middle of the cover, which sits right of centre.
    desktop.focus(wid)
    desktop.click(wid, width * 2 // 3, height // 3)
    desktop.wait_opened("https://example.org/from-the-pdf")
    assert app.windows() == [wid]


def test_help_menu_and_start_page_help_link(desktop, launch):
    app = launch()
    wid = start_window(app)
    desktop.focus(wid)
    desktop.key("Tab", "Return")  # from the focused Open button to the help link
    desktop.wait_opened(SERVICE + "/reader/download")

    desktop.focus(wid)
    desktop.click(wid, 61, 12)  # "Help" in the menu bar
    menu = app.wait_new_window([wid], timeout=5)
    _, _, width, height = desktop.geometry(menu)
    desktop.click(menu, width // 2, height // 2)  # its one item
    desktop.wait_opened(SERVICE + "/download")
    assert desktop.opened() == [SERVICE + "/reader/download", SERVICE + "/download"]
