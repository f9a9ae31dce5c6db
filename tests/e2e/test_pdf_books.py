"""Plain PDFs read as books, files dropped on windows, and printing only what is on screen."""
import json
import os
import re
import select
import shutil
import subprocess
import sys
import time
from pathlib import Path

from desktop import colour_share, wait_until
from flipbooks import BLUE, RED, write_pdf
from reader_app import reader_window, wait_pages

GREEN = (30, 170, 60)
REFUSED = "Only flipbooks (.flip) and PDF documents can be opened."
YELLOW = (230, 200, 20)


def made_books(desktop):
    return sorted((desktop.tmpdir / f"brivane-reader-{os.getuid()}").glob("pdf-*/*.flip"))


def recent_files(desktop):
    state = Path(desktop.env["HOME"]) / ".local" / "state" / "brivane-reader" / "positions.json"
    return [b["file"] for b in json.loads(state.read_text())["books"]] if state.exists() else []


class DragSource:
    """A window of another program that drags files as a file manager does (XDND)."""

    def __init__(self, desktop, *paths):
        self.desktop = desktop
        self.proc = subprocess.Popen([sys.executable, str(Path(__file__).with_name("drag_source.py")), *map(str, paths)],
                                     env=desktop.env, stdout=subprocess.PIPE, text=True)
        found = wait_until("the drag source", lambda: desktop.run("xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid),
                                                                  "--name", "^drag source$").split(), 15)
        self.wid = int(found[0])
        desktop.run("xdotool", "windowraise", str(self.wid))
        time.sleep(1)  # mapped is not yet ready for a press

    def drag_to(self, wid, hover_shot=None):
        """Presses on the source, moves over the middle of wid and lets go there; what the source heard."""
        d = self.desktop
        width, height = d.geometry(wid)
        d.run("xdotool", "mousemove", "--window", str(self.wid), "80", "80", "mousedown", "1", check=True)
        for _ in range(8):  # past GTK's drag threshold, in steps as a hand moves
            d.run("xdotool", "mousemove_relative", "--", "20", "20")
            time.sleep(0.05)
        d.run("xdotool", "mousemove", "--window", str(wid), str(width // 2), str(height // 2))
        time.sleep(0.4)
        d.run("xdotool", "mousemove", "--window", str(wid), str(width // 2 + 8), str(height // 2 + 8))
        time.sleep(0.6)  # the target reads the files while they hover
        if hover_shot:
            d.screenshot(None, hover_shot)
        d.run("xdotool", "mouseup", "1", check=True)
        ready, _, _ = select.select([self.proc.stdout], [], [], 10)
        return self.proc.stdout.readline().strip() if ready else "no answer"

    def close(self):
        self.proc.kill()
        self.proc.wait()


def test_pdf_on_the_command_line_opens_as_a_book_and_is_made_once(desktop, launch, tmp_path):
    pdf = write_pdf(tmp_path / "Harbour Guide.pdf", [RED] * 6)
    app = launch(pdf)
    wid = reader_window(app, "Harbour Guide", RED)  # the title is the file's name: the PDF has none
    desktop.screenshot(wid, "pdf-opened-as-book")
    (book,) = made_books(desktop)
    assert book.name == "Harbour Guide.flip"
    assert recent_files(desktop) == [pdf.as_uri()], "the recent books must keep the PDF, which outlives the book"
    made = book.stat().st_mtime_ns
    app.quit()
    # The same unchanged PDF again: its book is reused, not made anew.
    app = launch(pdf)
    reader_window(app, "Harbour Guide", RED)
    assert made_books(desktop) == [book] and book.stat().st_mtime_ns == made
    app.quit()


def test_files_dropped_open_in_the_start_window_then_in_new_ones(desktop, launch, books, tmp_path):
    pdf = write_pdf(tmp_path / "Blue Notes.pdf", [BLUE] * 4)
    (notes := tmp_path / "notes.txt").write_text("not a book")
    app = launch()
    wid = app.start_window()
    source = DragSource(desktop, books["red"])
    try:
        assert source.drag_to(wid, "drop-flip-on-start-window") == "drag-end"
    finally:
        source.close()
    app.wait_title(wid, books["red_title"])
    wait_pages(desktop, wid, RED)
    assert app.windows() == [wid], "a drop on the start window opens there"
    # On a reading window the book stays and the drop gets a window of its own.
    source = DragSource(desktop, pdf)
    try:
        assert source.drag_to(wid) == "drag-end"
    finally:
        source.close()
    other = app.wait_new_window([wid], timeout=20)
    app.wait_title(other, "Blue Notes")
    wait_pages(desktop, other, BLUE)
    assert desktop.title(wid) == books["red_title"], "the reading window must keep its book"
    # Anything else says why while it hovers and when let go, and opens nothing.
    source = DragSource(desktop, notes)
    try:
        source.drag_to(other, "drop-refused-hovering")
    finally:
        source.close()
    app.wait_alert(REFUSED)
    alert = app.wait_new_window([wid, other])
    desktop.screenshot(None, "drop-refused")
    assert sorted(app.windows()) == sorted([wid, other, alert]) and desktop.title(other) == "Blue Notes"


def sheet_colours(pdf: Path):
    """The colours left and right on a printed sheet, halfway down, as (r, g, b)."""
    ppm = subprocess.run(["pdftoppm", "-r", "20", "-f", "1", "-l", "1", str(pdf)], capture_output=True,
                         check=True, timeout=30).stdout
    header = ppm.split(b"\n", 3)
    width, height = map(int, header[1].split())
    pixels = header[3]

    def at(fx, fy):
        i = 3 * (int(height * fy) * width + int(width * fx))
        return tuple(pixels[i:i + 3])
    return at(0.15, 0.5), at(0.85, 0.5)  # beside the white squares in the pages' middles


def near(rgb, want, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(rgb, want))


def test_print_dialog_prints_the_spread_on_screen(desktop, launch, tmp_path):
    pdf = write_pdf(tmp_path / "Colours.pdf", [RED, GREEN, BLUE, YELLOW, RED, GREEN])
    app = launch(pdf)
    wid = reader_window(app, "Colours", RED)
    desktop.focus(wid)
    desktop.key("Right")  # from the cover to the spread of pages 2 and 3
    wait_until("the spread of pages 2 and 3", lambda: colour_share(desktop.pixels(wid), BLUE) > 0.04, 10)
    desktop.key("ctrl+p")
    dialog = app.wait_new_window([wid])
    desktop.focus(dialog)
    desktop.click(dialog, 85, 90)  # "Print to File", the first printer in the list
    desktop.key("alt+u")  # "Current Page"
    desktop.screenshot(dialog, "print-current-page")
    out = desktop.root / "output.pdf"  # GTK names it so, in the working directory
    out.unlink(missing_ok=True)
    desktop.key("alt+p")  # "Print"
    wait_until("the print dialog to close", lambda: dialog not in app.windows())

    def sheets():  # once the file is written in full
        info = subprocess.run(["pdfinfo", str(out)], capture_output=True, text=True, timeout=30).stdout
        return (m := re.search(r"^Pages:\s+(\d+)", info, re.M)) and int(m[1])
    assert wait_until("the printed file", sheets, 20) == 1, "Current page printed more than one sheet"
    shutil.copy(out, desktop.artifacts / "print-current-page.pdf")
    left, right = sheet_colours(out)
    assert near(left, GREEN) and near(right, BLUE), f"the sheet shows {left} | {right}"
