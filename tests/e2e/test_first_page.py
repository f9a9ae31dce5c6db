"""The first page drawn by the program itself while the reader page starts:
where the page will be, handed over without a jump, and gone once pages turn."""
import time

import pytest

import frames
from desktop import SCREEN, wait_until

PAGES = frames.PAGE_COLOURS  # page n is PAGES[n - 1]
# Lines across the screen, read in every frame: rows (y) and columns (x).
ROWS = (300, 450, 600)
COLUMNS = (400, 520, 760, 900, 1040)


def cover_extents(shot):
    """Per line, the first and last pixel of the cover on it, or None where it is not seen."""
    extents = []
    for raw, length in zip(shot, [SCREEN[0]] * len(ROWS) + [SCREEN[1]] * len(COLUMNS)):
        hits = [i for i, p in enumerate(frames.row(raw, length, 0)) if p and p[0] == 0]
        extents.append((hits[0], hits[-1]) if len(hits) > 20 else None)
    return extents


def pages_seen(rows):
    """Page numbers seen along rows, each a screen wide."""
    return {p[0] + 1 for raw in rows for p in frames.row(raw, SCREEN[0], 0) if p}


# A right-to-left book has its cover on the left half of the spread; the
# window knows which way a book reads once it has been opened before.
@pytest.mark.parametrize("right_to_left, reopened", [(False, False), (False, True), (True, True)],
                         ids=["first-opening", "reopened", "right-to-left-reopened"])
def test_first_page_is_handed_over_in_place(desktop, launch, marked, right_to_left, reopened):
    book = marked(right_to_left)
    if reopened:
        before = launch(book)
        before.wait_drawn()
        # How the book was shown is what the window goes by next time.
        wait_until("the view remembered", lambda: any(line.startswith("action.view ") for line in before.lines()))
        before.quit()
    areas = [(0, y, SCREEN[0], 1) for y in ROWS] + [(x, 0, 1, SCREEN[1]) for x in COLUMNS]
    with frames.Burst(desktop.env["DISPLAY"], areas) as burst:
        app = launch(book)
        app.wait_drawn()
        drawn = time.monotonic()
        time.sleep(1.5)
    shots = [(t, cover_extents(shot)) for t, shot in burst.frames]
    final = shots[-1][1]
    assert any(final), "the reader page shows no cover"
    early = [(t, e) for t, e in shots if t < drawn and any(e)]
    assert early, "no cover on screen before the reader page had drawn its own"
    # Every frame with the cover shows it where it ends up: no jump at the hand-over.
    for t, extents in shots:
        for line, (seen, kept) in enumerate(zip(extents, final)):
            if seen and kept:
                assert abs(seen[0] - kept[0]) <= 2 and abs(seen[1] - kept[1]) <= 2, \
                    f"line {line} at {t - drawn:+.2f} s: cover at {seen}, reader draws it at {kept}"


def test_turned_pages_leave_no_cover_behind_and_a_book_reopened_further_on_shows_none_first(desktop, launch, marked):
    book = marked()
    first = launch(book)
    (wid,) = first.wait_windows(1)
    first.wait_line("action.drawn 1", timeout=30)
    # Right turns to pages 2 and 3, Left comes back to the cover: the screen shows
    # the reader's pages alone, the native cover never left over them.
    screen = frames.Screen(desktop.env["DISPLAY"])
    try:
        for key, pages in [("Right", {2, 3}), ("Left", {1}), ("End", {6})]:
            desktop.focus(wid)
            desktop.key(key)
            wait_until(f"pages {sorted(pages)} after {key}",
                       lambda: pages_seen(screen.grab(0, y, SCREEN[0], 1) for y in ROWS) == pages, timeout=10)
    finally:
        screen.close()
    first.wait_line("action.position 6", timeout=15)
    first.quit()

    # Opened again, the book shows its last page; the cover never comes up on the way.
    areas = [(0, y, SCREEN[0], 1) for y in ROWS]
    with frames.Burst(desktop.env["DISPLAY"], areas) as burst:
        again = launch(book)
        again.wait_line("action.drawn 6", timeout=30)
        time.sleep(0.5)
    seen = pages_seen(raw for _, shot in burst.frames for raw in shot)
    assert 6 in seen, "the last page never showed"
    assert 1 not in seen, "the cover flashed up before the page the book was left at"
