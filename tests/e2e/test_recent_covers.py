"""The start window's recent books, each with its cover drawn in the background, opened by keys."""
from pathlib import Path

from desktop import colour_share, wait_until
from flipbooks import BLUE, RED
from reader_app import assert_start_look, reader_window

# A cover is a few hundred pixels of a 450x300 window.
COVER_SHARE = 0.003


def test_recent_books_show_their_covers_and_open_by_keys(desktop, launch, books):
    for name, rgb in (("red", RED), ("blue", BLUE)):
        app = launch(books[name])
        reader_window(app, books[f"{name}_title"], rgb)
        app.quit()

    start = launch()
    wid = start.start_window()
    assert_start_look(desktop, wid)
    # Both covers are drawn in the background and reach the list.
    for rgb in (RED, BLUE):
        wait_until(f"a {rgb} cover", lambda rgb=rgb: colour_share(desktop.pixels(wid), rgb) >= COVER_SHARE, 30)
    covers = Path(desktop.env["XDG_CACHE_HOME"]) / "brivane-reader" / "covers"
    assert len(list(covers.glob("*.cover"))) == 2
    desktop.screenshot(wid, "start-window-covers")
    # Tab from Open reaches the last book read; Return opens it in this window.
    desktop.focus(wid)
    desktop.key("Tab", "Return")
    start.wait_line("action.openrecent 0")
    start.wait_title(wid, books["blue_title"])
