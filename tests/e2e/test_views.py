"""Zoom in the real app: Ctrl and the wheel's notches, as X delivers them, keep
the point under the pointer where it was."""
import flipbooks
from desktop import near, wait_until
from frames import PAGE_COLOURS
from reader_app import reader_window

COLOURS = PAGE_COLOURS[:4] * 3


def white_square(desktop, wid, rgb):
    """(left, top, width, height) of the white square in the middle of the page coloured rgb, or None."""
    width, _ = desktop.geometry(wid)
    raw = desktop.pixels(wid)
    rows = [[raw[i:i + 3] for i in range(y * 3 * width, (y + 1) * 3 * width, 3)] for y in range(len(raw) // (3 * width))]
    xs, ys = [], []
    for y, row in enumerate(rows):
        for x in range(3, len(row) - 3):
            # An edge drawn between pixels blends the two colours: the page may be a pixel or two off.
            if min(row[x]) > 240 and any(near(row[x + d], rgb) for d in (-3, -2, -1, 1, 2, 3)):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None  # the page is still being drawn
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def test_wheel_zoom_keeps_the_point_under_the_pointer(desktop, launch, books):
    book = flipbooks.pack(books["flip_tool"], desktop.root / "books" / "views.flip", COLOURS, "Twelve Colours")
    app = launch(book)
    wid = reader_window(app, "Twelve Colours", COLOURS[0])
    desktop.focus(wid)
    # The spread of pages 2 and 3 grows past the window's width as it zooms, so
    # the point can stay put both ways; aim at page 3's white square.
    desktop.key("Right")
    blue = COLOURS[2]
    left, top, size, _ = wait_until("page 3 drawn", lambda: white_square(desktop, wid, blue), timeout=15)
    x, y = left + size // 4, top + size // 4
    desktop.run("xdotool", "mousemove", "--window", str(wid), str(x), str(y), check=True)
    desktop.run("xdotool", "keydown", "ctrl", "click", "--repeat", "4", "--delay", "150", "4", "keyup", "ctrl", check=True)

    def zoomed():
        square = white_square(desktop, wid, blue)
        return square if square and square[2] > 1.85 * size else None  # four notches of about 1.18
    left2, top2, size2, _ = wait_until("the page zoomed in", zoomed, timeout=15)
    # The pointer is still a quarter of the way into the square, each way.
    assert abs(left2 + size2 / 4 - x) <= 4 and abs(top2 + size2 / 4 - y) <= 4, \
        f"square {size}px at {left},{top} became {size2}px at {left2},{top2}; pointer at {x},{y}"
