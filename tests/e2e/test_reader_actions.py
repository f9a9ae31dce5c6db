"""What the reader hands to the system: the PDF, printing, links and help pages."""
import time
from pathlib import Path
from urllib.parse import unquote, urlparse

from desktop import wait_until
from flipbooks import RED
from reader_app import SERVICE, reader_window


def test_reader_hands_link_and_pdf_to_system_and_prints(desktop, launch, books):
    app = launch(books["red"])
    wid = reader_window(app, books["red_title"], RED)
    width, height = desktop.geometry(wid)

    def click(x, y):
        desktop.focus(wid)
        desktop.click(wid, x, y)
    click(width * 2 // 3, height // 3)  # the link over the middle of the cover, which sits right of centre
    desktop.wait_opened("https://example.org/from-the-pdf")
    click(width - 63, 49)  # Open PDF on the toolbar
    line = wait_until("a PDF address handed over", lambda: [a for a in desktop.opened() if a.endswith(".pdf")])[0]
    # GIO hands local files to the handler as paths.
    path = Path(unquote(urlparse(line).path) if line.startswith("file://") else line)
    assert path.name == "flipbook.pdf" and path.is_file() and path.is_relative_to(desktop.tmpdir), line
    click(width - 27, 49)  # Print
    dialog = app.wait_new_window([wid])
    desktop.screenshot(dialog, "print-dialog")
    desktop.focus(dialog)
    desktop.key("Escape")
    wait_until("the print dialog to close", lambda: dialog not in app.windows())
    assert app.windows() == [wid]
    assert desktop.opened() == ["https://example.org/from-the-pdf", line], "printing hands nothing over"


def test_help_menu_and_start_page_help_link(desktop, launch):
    app = launch()
    wid = app.start_window()
    desktop.focus(wid)
    desktop.key("Tab", "Return")  # from the focused Open button to the help link
    desktop.wait_opened(SERVICE + "/reader/download")
    desktop.focus(wid)
    # "Help", the menu bar's last menu: from the first, Left goes round to it, wherever it sits.
    desktop.key("F10")
    time.sleep(0.4)
    desktop.key("Left")
    menu = app.wait_new_window([wid], timeout=5)
    width, _ = desktop.geometry(menu)
    desktop.click(menu, width // 2, 22)  # its first item, the service's page
    desktop.wait_opened(SERVICE + "/download")
    assert desktop.opened() == [SERVICE + "/reader/download", SERVICE + "/download"]
