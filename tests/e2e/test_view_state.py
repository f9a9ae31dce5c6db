"""A book reopens as it was left, its page and how it was shown: page -> host
-> positions.json -> host -> page, across runs of the application."""
import json
from pathlib import Path

from conftest import TEXT_BOOK
from desktop import wait_until
from flipbooks import metadata_of
from reader_app import wait_pages


def told(app):
    return [json.loads(m[12:]) for m in app.lines() if m.startswith("action.view ")]


def reopen(launch, desktop, page, zoom):
    app = launch(TEXT_BOOK)
    (wid,) = app.wait_windows(1)
    app.wait_line(f"action.position {page}", timeout=30)
    wait_until("the view to be told", lambda: told(app), 10)
    wait_pages(desktop, wid, (30, 30, 30), share=0.01)  # the text's ink
    desktop.screenshot(wid, f"view-state-page-{page}")
    assert told(app)[0]["zoom"] == zoom and told(app)[0].get("direction", "rtl") == "rtl", told(app)
    # At fit the dark stage shows beside the spread; zoomed, the pages reach both sides.
    width, height = desktop.geometry(wid)
    raw, rows = desktop.pixels(wid), range(height // 4, 3 * height // 4, 3)
    light = lambda x: sum(min(raw[3 * (y * width + x):3 * (y * width + x) + 3]) >= 200 for y in rows) / len(rows)
    assert min(light(4), light(width - 24)) > 0.6, "not zoomed"  # clear of the scroll bar
    return app, wid


def test_page_zoom_and_direction_come_back_when_the_book_is_reopened(desktop, launch):
    book_id = metadata_of(TEXT_BOOK)["id"]
    store = Path(desktop.env["HOME"]) / ".local" / "state" / "brivane-reader" / "positions.json"
    store.parent.mkdir(parents=True, exist_ok=True)
    store.write_text(json.dumps({"format": "brivane-reader-positions", "version": 1, "books": [
        {"id": book_id, "page": 8, "file": TEXT_BOOK.as_uri(), "title": "T", "zoom": 1.5, "direction": "rtl", "view": "?"}]}))

    app, wid = reopen(launch, desktop, 8, 1.5)
    desktop.focus(wid)
    desktop.key("ctrl+0", "Next", "plus", "plus", "plus")  # fit, turn on, then 200%
    app.wait_line("action.position 10")
    wait_until("200% to be told", lambda: told(app)[-1]["zoom"] == 2)
    desktop.key("ctrl+w")
    app.wait_exit()
    kept = json.loads(store.read_text())["books"][0]
    assert (kept["page"], kept["zoom"], kept["direction"]) == (10, 2, "rtl"), kept
    assert kept.get("view", "spread") == "spread", "the unknown view is dropped"
    reopen(launch, desktop, 10, 2)[0].quit()
