"""What the reader hands to the system: the PDF, printing, links and help pages."""
from pathlib import Path
from urllib.parse import unquote, urlparse

import pytest

from desktop import wait_until
from flipbooks import RED
from reader_app import SERVICE, reader_window


@pytest.fixture
def reader(desktop, launch, books):
    """A reader window of the red book, and a click on its toolbar at a distance from the right."""
    app = launch(books["red"])
    wid = reader_window(app, books["red_title"], RED)

    def toolbar_click(from_right):
        desktop.focus(wid)
        desktop.click(wid, desktop.geometry(wid)[0] - from_right, 49)
    return app, wid, toolbar_click


def test_open_pdf_hands_workspace_pdf_to_system(desktop, reader):
    reader[2](63)
    line = wait_until("a PDF address handed over", lambda: [a for a in desktop.opened() if a.endswith(".pdf")])[0]
    # GIO hands local files to the handler as paths.
    path = Path(unquote(urlparse(line).path) if line.startswith("file://") else line)
    assert path.name == "flipbook.pdf", line
    assert path.is_file() and path.is_relative_to(Path(desktop.tmpdir)), line


def test_print_shows_print_dialog(desktop, reader):
    app, wid, toolbar_click = reader
    toolbar_click(27)
    dialog = app.wait_new_window([wid])
    desktop.screenshot(dialog, "print-dialog")
    desktop.focus(dialog)
    desktop.key("Escape")
    wait_until("the print dialog to close", lambda: dialog not in app.windows())
    assert app.windows() == [wid]
    assert desktop.opened() == []


def test_new_window_link_in_pdf_goes_to_browser(desktop, reader):
    app, wid, _ = reader
    width, height = desktop.geometry(wid)
    # The link covers the middle of the cover, which sits right of centre.
    desktop.focus(wid)
    desktop.click(wid, width * 2 // 3, height // 3)
    desktop.wait_opened("https://example.org/from-the-pdf")
    assert app.windows() == [wid]


def test_help_menu_and_start_page_help_link(desktop, launch):
    app = launch()
    wid = app.start_window()
    desktop.focus(wid)
    desktop.key("Tab", "Return")  # from the focused Open button to the help link
    desktop.wait_opened(SERVICE + "/reader/download")
    desktop.focus(wid)
    desktop.click(wid, 61, 12)  # "Help" in the menu bar
    menu = app.wait_new_window([wid], timeout=5)
    width, height = desktop.geometry(menu)
    desktop.click(menu, width // 2, height // 2)  # its one item
    desktop.wait_opened(SERVICE + "/download")
    assert desktop.opened() == [SERVICE + "/reader/download", SERVICE + "/download"]
