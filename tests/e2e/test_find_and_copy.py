"""Reading real text: find, then a line selected by a real pointer and copied.
The text book is drawn by the build with a font."""
import re
import subprocess
import time

from conftest import TEXT_BOOK
from desktop import wait_until

TITLE = "Harbour Notes"
PAGE_W, PAGE_H = 420, 595  # points
# Page 9 holds the phrase's first appearance, on this line.
LINE = "Then she lit the copper lantern and waited."


def word_box(page, word):
    """(x0, y0, x1, y1) in points where pdftotext finds word on page of the text book."""
    xml = subprocess.run(["pdftotext", "-bbox", "-f", str(page), "-l", str(page), str(TEXT_BOOK.with_suffix(".pdf")), "-"],
                         capture_output=True, text=True, check=True).stdout
    m = re.search(rf'xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">{re.escape(word)}<', xml)
    return tuple(map(float, m.groups()))


def white_box(desktop, wid):
    """(left, top, right, bottom) of the white pages in the window."""
    width, _ = desktop.geometry(wid)
    raw = desktop.pixels(wid)
    rows = len(raw) // (3 * width)
    white = lambda x, y: all(c >= 250 for c in raw[3 * (y * width + x):3 * (y * width + x) + 3])
    ys = [y for y in range(0, rows, 4) if white(width // 2 + 40, y)]
    mid = (ys[0] + ys[-1]) // 2
    xs = [x for x in range(0, width, 2) if white(x, mid)]
    return xs[0], ys[0], xs[-1], ys[-1]


def test_find_then_a_dragged_line_is_copied(desktop, launch):
    app = launch(TEXT_BOOK)
    wid = app.focused_at(1, TITLE)
    desktop.key("ctrl+f")
    desktop.type("copper lantern")
    app.wait_line("action.position 8")  # the spread of pages 8 and 9
    desktop.key("Escape")
    desktop.screenshot(wid, "text-book-found")

    # Drag across the line on the right-hand page and a little past its end, then copy it.
    left, top, right, bottom = white_box(desktop, wid)
    page_left, scale = (left + right) / 2, (bottom - top) / PAGE_H
    first, last = word_box(9, "Then"), word_box(9, "waited.")
    y = round(top + (first[1] + first[3]) / 2 * scale)
    x0, x1 = round(page_left + (first[0] + 1) * scale), round(page_left + (last[2] + 8) * scale)
    desktop.run("xdotool", "mousemove", "--window", str(wid), str(x0), str(y), "mousedown", "1", check=True)
    for x in range(x0, x1 + 1, max(1, (x1 - x0) // 8)):
        desktop.run("xdotool", "mousemove", "--window", str(wid), str(x), str(y), check=True)
    desktop.run("xdotool", "mousemove", "--window", str(wid), str(x1), str(y), "mouseup", "1", check=True)
    # The web view hands on pointer events one at a time and keys beside them: a copy
    # pressed in the same instant as the release may come before it under load, as
    # no hand can press it.
    time.sleep(0.3)
    desktop.key("ctrl+c")
    try:
        wait_until("the line on the clipboard", lambda: desktop.clipboard().strip() == LINE, 10)
    finally:
        desktop.screenshot(wid, "text-book-selected")
    positions = [line for line in app.lines() if line.startswith("action.position ")]
    assert positions[-1] == "action.position 8", "dragging on text turned the page"
