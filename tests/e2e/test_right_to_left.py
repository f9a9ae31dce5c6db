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


def pack(flip_tool, out, title, right_to_left):
    pdf = flipbooks.write_pdf(out.with_suffix(".pdf"), PAGES, band=frames.BAND)
    if right_to_left:
        ask_right_to_left(pdf)
    subprocess.run([str(flip_tool), "pack", str(pdf), "-o", str(out), "--title", title, "--force"],
                   check=True, capture_output=True, timeout=60)
    return out


def window_middle(desktop, wid):
    out = desktop.run("xdotool", "getwindowgeometry", "--shell", str(wid))
    x, width = (int(re.search(rf"^{k}=(\d+)", out, re.M)[1]) for k in ("X", "WIDTH"))
    return x + width / 2


def cover_side(desktop, wid):
    """Which side of the window's middle (where the spine is) the cover lies on, and that cover's place."""
    cover = find_cover(desktop)
    left, _, width, _ = cover
    middle = window_middle(desktop, wid)
    if abs(left + width - middle) <= 4:
        return "left", cover
    assert abs(left - middle) <= 4, f"the cover spans {left}..{left + width}, the spine is at {middle}"
    return "right", cover


def right_to_left_book(desktop, cover):
    """Rows across the spread of a book whose cover lies left of the spine."""
    left, top, width, height = cover
    return Book(desktop, (left + width, top, width, height))


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
    app = launch(pack(books["flip_tool"], tmp_path / "backwards.flip", "Backwards", right_to_left=True))
    wid = reader_window(app, "Backwards", PAGES[0])
    desktop.focus(wid)
    side, cover = cover_side(desktop, wid)
    desktop.screenshot(wid, "right-to-left-cover")
    assert side == "left", "the cover of a right-to-left book lies left of the spine"
    book = right_to_left_book(desktop, cover)
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
    app = launch(pack(books["flip_tool"], tmp_path / "forwards.flip", "Forwards", right_to_left=False))
    wid = reader_window(app, "Forwards", PAGES[0])
    desktop.focus(wid)
    assert cover_side(desktop, wid)[0] == "right", "a book that does not ask reads left to right"
    desktop.key("r")
    time.sleep(0.5)
    side, cover = cover_side(desktop, wid)
    assert side == "left", "the switch puts the cover left of the spine"
    book = right_to_left_book(desktop, cover)
    run_turns(book, [("forward after the switch", lambda: desktop.key("Left"), 1, 2, ["left"], (3, 2))])
    # Switched back, the same spread reads left to right again.
    desktop.key("r")
    time.sleep(0.5)
    pixels = book.capture(lambda: None, settle=0.3)[-1][1][1]
    w = book.page_width
    halves = [{p[0] + 1 for p in pixels[a:b] if p} for a, b in ((2, w - 2), (w + 2, 2 * w - 2))]
    assert halves == [{2}, {3}], f"after switching back the spread shows {halves}"
