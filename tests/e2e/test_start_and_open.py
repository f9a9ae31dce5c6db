"""Starting the reader and opening a flipbook through the start page."""
import pytest

from flipbooks import RED
from helpers import (assert_reading_look, assert_start_look, open_with_panel, start_window,
                     wait_pages, workspaces)


def test_starts_with_one_fixed_size_start_window(desktop, launch):
    app = launch()
    wid = start_window(app)
    assert_start_look(desktop, wid)
    assert desktop.has_icon(wid), "start window has no _NET_WM_ICON"
    desktop.screenshot(wid, "start-page")


@pytest.mark.parametrize("how", ["button", "ctrl+o"])
def test_open_panel_switches_window_to_reader(desktop, launch, books, how):
    app = launch()
    wid = start_window(app)
    open_with_panel(app, wid, books["red"], how)

    url = books["red"].as_uri()
    app.wait_line(url)
    app.wait_line("load path:")
    app.wait_title(wid, books["red_title"])
    assert app.windows() == [wid], "opening must reuse the start window"
    assert_reading_look(desktop, wid)
    wait_pages(desktop, wid, RED)
    assert workspaces(desktop, "red-book"), "no workspace with a data directory"
    desktop.screenshot(wid, f"reader-opened-by-{how.replace('+', '-')}")
