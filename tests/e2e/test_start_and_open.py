"""Starting the reader and opening a flipbook through the start page."""
from pathlib import Path

import pytest

from flipbooks import RED
from reader_app import assert_reading_look, assert_start_look, wait_pages


def test_starts_with_one_fixed_size_start_window(desktop, launch):
    wid = launch().start_window()
    assert_start_look(desktop, wid)
    assert desktop.icon(wid), "start window has no _NET_WM_ICON"
    desktop.screenshot(wid, "start-page")


@pytest.mark.parametrize("how", ["button", "ctrl+o"])
def test_open_panel_switches_window_to_reader(desktop, launch, books, how):
    app = launch()
    wid = app.start_window()
    app.open_with_panel(wid, books["red"], how)
    app.wait_line(books["red"].as_uri())
    app.wait_line("load path:")
    app.wait_title(wid, books["red_title"])
    assert app.windows() == [wid], "opening must reuse the start window"
    assert_reading_look(desktop, wid)
    wait_pages(desktop, wid, RED)
    assert [p for p in Path(desktop.tmpdir).rglob("red-book-*") if (p / "data").is_dir()], \
        "no workspace with a data directory"
    desktop.screenshot(wid, f"reader-opened-by-{how.replace('+', '-')}")
