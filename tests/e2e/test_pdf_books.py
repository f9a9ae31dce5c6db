"""What passes between the reader and the system: plain PDFs read as books, files dropped
on windows, links and the book's PDF handed on, and printing only what is on screen."""
import os
import re
import select
import shutil
import subprocess
import sys
import time
from pathlib import Path
from urllib.parse import unquote, urlparse

from desktop import colour_share, near, wait_until
from flipbooks import BLUE, GREEN, RED, write_pdf
from reader_app import reader_window, wait_pages

REFUSED = "Only flipbooks (.flip) and PDF documents can be opened."
YELLOW = (230, 200, 20)


def drop(desktop, wid, path, hover_shot=None):
    """Drags path from a window of another program, as a file manager does (XDND), over the middle
    of wid and lets go there; returns what the source heard."""
    source = subprocess.Popen([sys.executable, str(Path(__file__).with_name("drag_source.py")), str(path)],
                              env=desktop.env, stdout=subprocess.PIPE, text=True)
    try:
        found = wait_until("the drag source", lambda: desktop.run(
            "xdotool", "search", "--onlyvisible", "--pid", str(source.pid), "--name", "^drag source$").split(), 15)
        desktop.run("xdotool", "windowraise", found[0])
        time.sleep(1)  # mapped is not yet ready for a press
        width, height = desktop.geometry(wid)
        desktop.run("xdotool", "mousemove", "--window", found[0], "80", "80", "mousedown", "1", check=True)
        for _ in range(8):  # past GTK's drag threshold, in steps as a hand moves
            desktop.run("xdotool", "mousemove_relative", "--", "20", "20")
            time.sleep(0.05)
        desktop.run("xdotool", "mousemove", "--window", str(wid), str(width // 2), str(height // 2))
        time.sleep(0.4)
        desktop.run("xdotool", "mousemove", "--window", str(wid), str(width // 2 + 8), str(height // 2 + 8))
        time.sleep(0.6)  # the target reads the files while they hover
        if hover_shot:
            desktop.screenshot(None, hover_shot)
        desktop.run("xdotool", "mouseup", "1", check=True)
        ready, _, _ = select.select([source.stdout], [], [], 10)
        return source.stdout.readline().strip() if ready else "no answer"
    finally:
        source.kill()
        source.wait()


def test_reader_hands_link_and_pdf_to_the_system(desktop, launch, books):
    app = launch(books["red"])
    wid = reader_window(app, books["red_title"], RED)
    width, height = desktop.geometry(wid)

    def click(x, y):
        desktop.focus(wid)
        desktop.click(wid, x, y)
    click(width * 2 // 3, height // 3)  # the link over the middle of the cover, which sits right of centre
    desktop.wait_opened("https://example.org/from-the-pdf")
    click(width - 63, 49)  # Open PDF on the toolbar
    line = wait_until("a PDF address handed over", lambda: [a for a in desktop.opened() if a.endswith(".pdf")])[0]
    # GIO hands local files to the handler as paths.
    path = Path(unquote(urlparse(line).path) if line.startswith("file://") else line)
    assert path.name == "flipbook.pdf" and path.is_file() and path.is_relative_to(desktop.tmpdir), line
    assert desktop.opened() == ["https://example.org/from-the-pdf", line]


def test_files_dropped_open_in_the_start_window_then_in_new_ones(desktop, launch, books, tmp_path):
    pdf = write_pdf(tmp_path / "Blue Notes.pdf", [BLUE] * 4)
    (notes := tmp_path / "notes.txt").write_text("not a book")
    app = launch()
    wid = app.start_window()
    assert drop(desktop, wid, books["red"], "drop-flip-on-start-window") == "drag-end"
    app.wait_title(wid, books["red_title"])
    wait_pages(desktop, wid, RED)
    assert app.windows() == [wid], "a drop on the start window opens there"
    # On a reading window the book stays and the drop gets a window of its own.
    assert drop(desktop, wid, pdf) == "drag-end"
    other = app.wait_new_window([wid], timeout=20)
    app.wait_title(other, "Blue Notes")
    wait_pages(desktop, other, BLUE)
    assert desktop.title(wid) == books["red_title"], "the reading window must keep its book"
    # Anything else says why while it hovers and when let go, and opens nothing.
    drop(desktop, other, notes, "drop-refused-hovering")
    app.wait_alert(REFUSED)
    alert = app.wait_new_window([wid, other])
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


def test_a_pdf_opens_as_a_book_and_the_print_dialog_prints_the_spread_on_screen(desktop, launch, tmp_path):
    pdf = write_pdf(tmp_path / "Colours.pdf", [RED, GREEN, BLUE, YELLOW, RED, GREEN])
    app = launch(pdf)
    wid = reader_window(app, "Colours", RED)  # the title is the file's name: the PDF has none
    made = list((desktop.tmpdir / f"brivane-reader-{os.getuid()}").glob("pdf-*/Colours.flip"))
    assert len(made) == 1, "the book is not made once in the user's TMPDIR"
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
