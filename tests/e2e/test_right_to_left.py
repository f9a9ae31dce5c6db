"""Right-to-left books in the real program: a book whose PDF asks for it opens
with its cover left of the spine and turns leftward, every face the right way
round; the switch turns a book that does not ask around."""
import re
import subprocess
import time

import flipbooks
import frames
from reader_app import reader_window
from test_page_turn import Book, find_cover

PAGES = frames.PAGE_COLOURS  # page n is PAGES[n - 1]


def ask_right_to_left(pdf):
    """Appends an update to a PDF whose new catalogue asks for right-to-left reading; the rest stays as written."""
    data = pdf.read_bytes()
    prev = int(data.rsplit(b"startxref", 1)[1].split()[0])
    size = int(re.search(rb"/Size (\d+)", data.rsplit(b"trailer", 1)[1])[1])
    update = b"1 0 obj\n<< /Type /Catalog /Pages 2 0 R /ViewerPreferences << /Direction /R2L >> >>\nendobj\n"
    xref = len(data) + len(update)
    update += b"xref\n0 1\n0000000000 65535 f \n1 1\n%010d 00000 n \n" % len(data)
    update += b"trailer\n<< /Size %d /Root 1 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (size, prev, xref)
    pdf.write_bytes(data + update)


def open_book(desktop, launch, books, tmp_path, title, right_to_left):
    """The window of the app showing a marked book, and a probe of where its cover lies (see cover_side)."""
    pdf = flipbooks.write_pdf(tmp_path / f"{title}.pdf", PAGES, band=frames.BAND)
    if right_to_left:
        ask_right_to_left(pdf)
    subprocess.run([str(books["flip_tool"]), "pack", str(pdf), "-o", str(pdf.with_suffix(".flip")), "--title", title],
                   check=True, capture_output=True, timeout=60)
    wid = reader_window(launch(pdf.with_suffix(".flip")), title, PAGES[0])
    desktop.focus(wid)
    return wid, lambda: cover_side(desktop, wid)


def cover_side(desktop, wid):
    """Which side of the spine (the window's middle) the cover is on, and rows across the spread it makes on the left."""
    left, top, width, height = find_cover(desktop)
    geometry = desktop.run("xdotool", "getwindowgeometry", "--shell", str(wid))
    x, w = (int(re.search(rf"^{k}=(\d+)", geometry, re.M)[1]) for k in ("X", "WIDTH"))
    side = "left" if abs(left + width - x - w / 2) <= 4 else "right" if abs(left - x - w / 2) <= 4 else None
    assert side, f"the cover spans {left}..{left + width}, the window's middle is at {x + w / 2}"
    return side, Book(desktop, (left + width, top, width, height))


def run_turns(book, turns):
    found, timing = {}, []
    for name, action, turning, arriving, covered, end in turns:
        time.sleep(0.8)  # the next spread renders ahead: this is about the turn, not about loading
        problems, count, gap = book.check_turn(book.capture(action), turning, arriving, covered, end)
        timing.append(f"{name}: {count} frames, longest gap {gap * 1000:.0f} ms")
        problems = list(dict.fromkeys(problems))
        if problems:
            found[name] = "; ".join(problems[:3]) + (f" and {len(problems) - 3} more" if len(problems) > 3 else "")
    print("\n".join(timing))
    assert not found, "\n".join(f"{name}: {what}" for name, what in found.items())


def test_a_right_to_left_book_opens_cover_left_and_turns_leftward(desktop, launch, books, tmp_path):
    wid, cover = open_book(desktop, launch, books, tmp_path, "Backwards", right_to_left=True)
    side, book = cover()
    desktop.screenshot(wid, "right-to-left-cover")
    assert side == "left", "the cover of a right-to-left book lies left of the spine"
    x, y = book.spine - book.page_width + 6, book.top + book.height - 12
    drag = ["mousemove", str(x), str(y), "mousedown", "1"]
    for i in range(1, 13):
        drag += ["sleep", "0.03", "mousemove", str(x + i * book.page_width * 0.12), str(y)]
    run_turns(book, [
        ("forward from the cover", lambda: desktop.key("Left"), 1, 2, ["left"], (3, 2)),
        ("forward", lambda: desktop.key("Left"), 3, 4, ["left", "right"], (5, 4)),
        ("backward", lambda: desktop.key("Right"), 4, 3, ["left", "right"], (3, 2)),
        ("corner dragged", lambda: desktop.run("xdotool", *drag, "mouseup", "1", check=True),
         3, 4, ["left", "right"], (5, 4)),
    ])
    desktop.screenshot(wid, "right-to-left-spread")


def test_the_switch_turns_a_left_to_right_book_around_and_back(desktop, launch, books, tmp_path):
    _, cover = open_book(desktop, launch, books, tmp_path, "Forwards", right_to_left=False)
    assert cover()[0] == "right", "a book that does not ask reads left to right"
    desktop.key("r")
    time.sleep(0.5)
    side, book = cover()
    assert side == "left", "the switch puts the cover left of the spine"
    run_turns(book, [("forward after the switch", lambda: desktop.key("Left"), 1, 2, ["left"], (3, 2))])
    # Switched back, the same spread reads left to right again.
    desktop.key("r")
    time.sleep(0.5)
    pixels = book.capture(lambda: None, settle=0.3)[-1][1][1]
    w = book.page_width
    halves = [{p[0] + 1 for p in pixels[a:b] if p} for a, b in ((2, w - 2), (w + 2, 2 * w - 2))]
    assert halves == [{2}, {3}], f"after switching back the spread shows {halves}"
