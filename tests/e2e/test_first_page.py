"""The first page drawn by the program itself while the reader page starts:
where the page will be, handed over without a jump, and gone once pages turn."""
import subprocess
import time

import pytest

import flipbooks
import frames
from desktop import SCREEN, wait_until
from test_right_to_left import ask_right_to_left

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


# A right-to-left book has its cover on the left half of the spread; the
# window knows which way a book reads once it has been opened before.
@pytest.mark.parametrize("right_to_left, reopened", [(False, False), (False, True), (True, True)],
                         ids=["first-opening", "reopened", "right-to-left-reopened"])
def test_first_page_is_handed_over_in_place(desktop, launch, books, tmp_path, right_to_left, reopened):
    pdf = flipbooks.write_pdf(tmp_path / "marked.pdf", PAGES, band=0.35)
    if right_to_left:
        ask_right_to_left(pdf)
    book = tmp_path / "marked.flip"
    subprocess.run([str(books["flip_tool"]), "pack", str(pdf), "-o", str(book), "--title", "Marked"],
                   check=True, capture_output=True, timeout=60)
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
    desktop.screenshot(None, f"first-page-handed-over-{'rtl' if right_to_left else 'ltr'}-{int(reopened)}")


def test_first_page_never_stays_over_turned_pages(desktop, launch, books):
    book = desktop.root / "books" / "marked.flip"
    if not book.exists():
        flipbooks.pack(books["flip_tool"], book, PAGES, "Marked", band=0.35)
    app = launch(book)
    (wid,) = app.wait_windows(1)
    app.wait_line("action.drawn 1", timeout=30)
    # Right turns to pages 2 and 3, Left comes back to the cover; the cover
    # is seen exactly where the reader shows it.
    cases = [("Right", {2, 3}, False), ("Left", {1}, True), ("End", {6}, False)]
    screen = frames.Screen(desktop.env["DISPLAY"])
    try:
        for key, pages, cover in cases:
            desktop.focus(wid)
            desktop.key(key)

            def shown():
                seen = set()
                for y in ROWS:
                    seen |= {p[0] + 1 for p in frames.row(screen.grab(0, y, SCREEN[0], 1), SCREEN[0], 0) if p}
                return seen if seen == pages else None
            wait_until(f"pages {sorted(pages)} after {key}", shown, timeout=10)
            assert (1 in shown()) == cover, f"after {key} the cover is {'missing' if cover else 'still shown'}"
    finally:
        screen.close()


def test_a_book_reopened_further_on_shows_no_cover_first(desktop, launch, books):
    book = desktop.root / "books" / "marked.flip"
    if not book.exists():
        flipbooks.pack(books["flip_tool"], book, PAGES, "Marked", band=0.35)
    first = launch(book)
    (wid,) = first.wait_windows(1)
    first.wait_line("action.drawn 1", timeout=30)
    desktop.focus(wid)
    desktop.key("End")
    first.wait_line("action.position 6", timeout=15)
    first.quit()

    # Opened again, the book shows its last page; the cover never comes up on the way.
    areas = [(0, y, SCREEN[0], 1) for y in ROWS]
    with frames.Burst(desktop.env["DISPLAY"], areas) as burst:
        again = launch(book)
        again.wait_line("action.drawn 6", timeout=30)
        time.sleep(0.5)
    seen = set()
    for _, shot in burst.frames:
        for raw in shot:
            seen |= {p[0] + 1 for p in frames.row(raw, SCREEN[0], 0) if p}
    assert 6 in seen, "the last page never showed"
    assert 1 not in seen, "the cover flashed up before the page the book was left at"
