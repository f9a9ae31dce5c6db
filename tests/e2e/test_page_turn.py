"""The page turn as the reader sees it, frame by frame, in whatever renderer the
program picks: never a page the wrong way round, never a page side gone blank;
a right-to-left book with its cover left of the spine, turning leftward."""
import re
import time

import frames
from desktop import SCREEN
from reader_app import reader_window

PAGES = frames.PAGE_COLOURS  # page n is PAGES[n - 1]
ROWS = (0.3, 0.5, 0.7)  # heights on the page where each frame is read


def find_cover(desktop):
    """(left, top, width, height) on screen of the cover, the one page shown at first."""
    screen = frames.Screen(desktop.env["DISPLAY"])
    width, height = SCREEN
    try:
        raw = screen.grab(0, 0, width, height)
    finally:
        screen.close()
    xs, ys = [], []
    for y in range(0, height, 10):
        hits = [x for x, p in enumerate(frames.row(raw, width, y)) if p and p[0] == 0]
        if len(hits) > 50:
            xs += [hits[0], hits[-1]]
            ys.append(y)
    assert ys, "the cover is not on screen"
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


class Book:
    """Rows across both halves of the spread, read off bursts of captures."""

    def __init__(self, desktop, cover):
        self.desktop = desktop
        left, self.top, self.page_width, self.height = cover
        self.spine = left
        self.areas = [(left - self.page_width, self.top + int(self.height * share), 2 * self.page_width, 1)
                      for share in ROWS]

    def capture(self, action, settle=1.2):
        with frames.Burst(self.desktop.env["DISPLAY"], self.areas) as burst:
            time.sleep(0.05)
            start = time.monotonic()
            action()
            time.sleep(settle)
        return [(t - start, [frames.row(raw, 2 * self.page_width, 0) for raw in rows]) for t, rows in burst.frames]

    def check_turn(self, shots, turning, arriving, covered, end):
        """What is wrong in a turn: in any frame, a page the wrong way round or a blank
        where one of the `covered` halves ("left", "right") should show pages; the page
        `turning` gone as the leaf lifts; the leaf, `turning` or `arriving` (page numbers),
        never seen part way, as when the turn jumps; or other than `end` (left, right page
        numbers, None for none) once it has landed."""
        w = self.page_width
        halves = {"left": (2, w - 2), "right": (w + 2, 2 * w - 2)}
        share = lambda pixels, page: sum(1 for p in pixels if p and p[0] == page - 1) / w  # noqa: E731
        part_way = False
        problems = []
        for t, rows in shots:
            for pixels in rows:
                wrong = [p + 1 for p in frames.mirrored(pixels)]
                problems += [f"page {wrong} mirrored at {t * 1000:.0f} ms"] if wrong else []
                for half in covered:
                    missing = frames.gaps(pixels, *halves[half])
                    problems += [f"{missing} px of the {half} half blank at {t * 1000:.0f} ms"] if missing else []
                part_way |= any(0.05 < share(pixels, page) < 0.9 for page in (turning, arriving))
        lifting = next(((t, rows) for t, rows in shots if t > 0), None)
        if lifting and share(lifting[1][1], turning) < 0.2:
            problems.append(f"page {turning} gone as the leaf lifts at {lifting[0] * 1000:.0f} ms")
        if not part_way:
            problems.append(f"the leaf was never seen part way in {len(shots)} frames")
        last = shots[-1][1][1]
        for half, want in zip(("left", "right"), end):
            a, b = halves[half]
            pages = {p[0] + 1 for p in last[a:b] if p}
            if pages != ({want} if want else set()):
                problems.append(f"the {half} half shows pages {pages} at the end")
        # The turn's own frames: from the first change to the first that looks as the end does.
        landed = next(i for i, (_, rows) in enumerate(shots) if rows == shots[-1][1])
        moving = [t for t, _ in shots[1:landed + 1]]
        return problems, len(moving), max((b - a for a, b in zip(moving, moving[1:])), default=0)

    def corner_drag(self, towards):
        """An action dragging the outer bottom corner of the right (towards=-1) or left (towards=1) page over the spine."""
        x, y = self.spine - towards * (self.page_width - 6), self.top + self.height - 12
        drag = ["mousemove", str(x), str(y), "mousedown", "1"]
        for i in range(1, 13):
            drag += ["sleep", "0.03", "mousemove", str(x + towards * i * self.page_width * 0.12), str(y)]
        return lambda: self.desktop.run("xdotool", *drag, "mouseup", "1", check=True)

    def check_turns(self, turns):
        """Runs each (name, action, turning, arriving, covered, end) and names every faulty turn (see check_turn)."""
        found, timing = {}, []
        for name, action, turning, arriving, covered, end in turns:
            time.sleep(0.8)  # the next spread renders ahead: this is about the turn, not about loading
            problems, count, gap = self.check_turn(self.capture(action), turning, arriving, covered, end)
            timing.append(f"{name}: {count} frames, longest gap {gap * 1000:.0f} ms")
            problems = list(dict.fromkeys(problems))
            if problems:
                found[name] = "; ".join(problems[:3]) + (f" and {len(problems) - 3} more" if len(problems) > 3 else "")
        print("\n".join(timing))
        assert not found, "\n".join(f"{name}: {what}" for name, what in found.items())


def test_turns_show_each_face_the_right_way_round(desktop, launch, marked):
    wid = reader_window(launch(marked()), "Marked", PAGES[0])
    desktop.focus(wid)
    book = Book(desktop, find_cover(desktop))
    book.check_turns([
        ("forward from the cover", lambda: desktop.key("Right"), 1, 2, ["right"], (2, 3)),
        ("forward", lambda: desktop.key("Right"), 3, 4, ["left", "right"], (4, 5)),
        ("backward", lambda: desktop.key("Left"), 4, 3, ["left", "right"], (2, 3)),
        ("corner dragged", book.corner_drag(-1), 3, 4, ["left", "right"], (4, 5)),
    ])


def test_a_right_to_left_book_opens_cover_left_and_turns_leftward(desktop, launch, marked):
    wid = reader_window(launch(marked(right_to_left=True)), "Marked", PAGES[0])
    desktop.focus(wid)
    left, top, width, height = find_cover(desktop)
    desktop.screenshot(wid, "right-to-left-cover")
    geometry = desktop.run("xdotool", "getwindowgeometry", "--shell", str(wid))
    x, w = (int(re.search(rf"^{k}=(\d+)", geometry, re.M)[1]) for k in ("X", "WIDTH"))
    assert abs(left + width - x - w / 2) <= 4, \
        f"the cover spans {left}..{left + width}, not left of the window's middle at {x + w / 2}"
    book = Book(desktop, (left + width, top, width, height))
    book.check_turns([
        ("forward from the cover", lambda: desktop.key("Left"), 1, 2, ["left"], (3, 2)),
        ("forward", lambda: desktop.key("Left"), 3, 4, ["left", "right"], (5, 4)),
        ("backward", lambda: desktop.key("Right"), 4, 3, ["left", "right"], (3, 2)),
        ("corner dragged", book.corner_drag(1), 3, 4, ["left", "right"], (5, 4)),
    ])
