"""The start window's recent books: each with its cover and how far it was
read, and a list the reader can take books off for good."""
import json
from pathlib import Path

from desktop import colour_share, wait_until
from flipbooks import BLUE, RED
from reader_app import assert_start_look, reader_window

# A cover is a few hundred pixels of a 450x300 window.
COVER_SHARE = 0.003


def read_book(launch, books, name, keys=()):
    app = launch(books[name])
    wid = reader_window(app, books[f"{name}_title"], RED if name == "red" else BLUE)
    app.desktop.focus(wid)
    for key in keys:
        app.desktop.key(key)
    return app


def stored_titles(desktop):
    path = Path(desktop.env["HOME"]) / ".local" / "state" / "brivane-reader" / "positions.json"
    return [book["title"] for book in json.loads(path.read_text())["books"]]


def test_recent_books_show_covers_and_progress_and_can_be_removed(desktop, launch, books):
    red = read_book(launch, books, "red", keys=["End"])
    red.wait_line("action.position 8")
    red.quit()
    read_book(launch, books, "blue").quit()

    start = launch()
    wid = start.start_window()
    assert_start_look(desktop, wid)
    # Both covers are drawn in the background and reach the list.
    for rgb in (RED, BLUE):
        wait_until(f"a {rgb} cover", lambda rgb=rgb: colour_share(desktop.pixels(wid), rgb) >= COVER_SHARE, 30)
    covers = Path(desktop.env["XDG_CACHE_HOME"]) / "brivane-reader" / "covers"
    assert len(list(covers.glob("*.cover"))) == 2
    desktop.screenshot(wid, "start-window-covers")

    # Tab from Open reaches the newest book, Tab again its remove button.
    desktop.focus(wid)
    desktop.key("Tab", "Tab", "Return")
    start.wait_line("action.removerecent 0")
    wait_until("the blue cover to go", lambda: colour_share(desktop.pixels(wid), BLUE) < COVER_SHARE / 3, 10)
    assert colour_share(desktop.pixels(wid), RED) >= COVER_SHARE
    desktop.screenshot(wid, "start-window-removed")
    start.quit()
    titles = stored_titles(desktop)
    assert len(titles) == 1 and titles[0].startswith("Red"), titles

    # Gone after a restart too; the cover kept in the cache shows at once.
    again = launch()
    wid = again.start_window()
    wait_until("the red cover", lambda: colour_share(desktop.pixels(wid), RED) >= COVER_SHARE, 10)
    assert colour_share(desktop.pixels(wid), BLUE) < COVER_SHARE / 3
