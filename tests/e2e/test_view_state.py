"""A book reopens as it was left: its page and how it was shown. The state
travels page -> host -> positions.json -> host -> page, across two runs."""
import json
import zipfile
from pathlib import Path

from conftest import BUILD
from desktop import wait_until
from reader_app import wait_pages

TEXT_BOOK = BUILD / "samples" / "textbook.flip"
TITLE = "Harbour Notes"
INK = (30, 30, 30)  # the text book's lines


def store(desktop):
    return Path(desktop.env["HOME"]) / ".local" / "state" / "brivane-reader" / "positions.json"


def record(desktop, book_id):
    books = json.loads(store(desktop).read_text())["books"]
    return next(b for b in books if b["id"] == book_id)


def spread_fills_the_width(desktop, wid):
    """A zoomed spread is wider than the window: its white reaches both sides at mid-height."""
    width, height = desktop.geometry(wid)
    raw = desktop.pixels(wid)
    white = lambda x: all(c >= 250 for c in raw[3 * (height // 2 * width + x):3 * (height // 2 * width + x) + 3])
    return white(4) and white(width - 24)  # clear of the scroll bar


def reports(app):
    """Every view state the page told the host, oldest first."""
    return [json.loads(line.split(" ", 1)[1]) for line in app.lines() if line.startswith("action.view ")]


def test_page_zoom_and_direction_come_back_when_the_book_is_reopened(desktop, launch):
    book_id = json.loads(zipfile.ZipFile(TEXT_BOOK).read("metadata.brivane"))["id"]
    # Left last time at page 8, zoomed, read right to left by the reader's own choice.
    store(desktop).parent.mkdir(parents=True, exist_ok=True)
    store(desktop).write_text(json.dumps({"format": "brivane-reader-positions", "version": 1, "books": [
        {"id": book_id, "page": 8, "file": TEXT_BOOK.as_uri(), "title": TITLE, "zoom": 1.5, "direction": "rtl",
         "view": "sideways"}]}))

    app = launch(TEXT_BOOK)
    (wid,) = app.wait_windows(1)
    app.wait_title(wid, TITLE)
    app.wait_line("action.position 8", timeout=30)
    wait_until("the zoom to be told back", lambda: reports(app), 10)
    wait_pages(desktop, wid, INK, share=0.01)
    desktop.screenshot(wid, "view-state-resumed")
    assert spread_fills_the_width(desktop, wid)
    assert reports(app)[0]["zoom"] == 1.5, reports(app)
    assert reports(app)[0].get("direction", "rtl") == "rtl"

    # Turn on and zoom further; the host keeps both, and the direction the page did not touch.
    desktop.focus(wid)
    desktop.key("ctrl+0", "Right", "plus", "plus", "plus")
    app.wait_line("action.position 10")
    wait_until("the new zoom to be told", lambda: reports(app)[-1]["zoom"] == 2, 10)
    desktop.key("ctrl+w")
    wait_until("the last window to end the application", lambda: app.proc.poll() is not None, 15)
    kept = record(desktop, book_id)
    assert (kept["page"], kept["zoom"], kept["direction"]) == (10, 2, "rtl"), kept
    assert "view" not in kept or kept["view"] in ("spread", "single", "scroll"), "an unknown view is dropped"

    again = launch(TEXT_BOOK)
    (wid,) = again.wait_windows(1)
    again.wait_line("action.position 10", timeout=30)
    wait_until("the zoom to be told back", lambda: reports(again), 10)
    wait_pages(desktop, wid, INK, share=0.01)
    desktop.screenshot(wid, "view-state-reopened")
    assert spread_fills_the_width(desktop, wid)
    assert [line for line in again.lines() if line.startswith("action.position ")][0] == "action.position 10"
    assert reports(again)[0]["zoom"] == 2, reports(again)
    again.quit()
