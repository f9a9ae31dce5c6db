"""A book whose archive holds two central directories that send flipbook.pdf to
different bytes: one reader of the archive would see the book, another a
decoy. It must never reach the screen as either."""
import io
import struct
import time
import warnings
import zipfile
import zlib

import flipbooks
from desktop import colour_share, wait_until
from reader_app import INVALID_TEXT, assert_start_look

GREEN = (20, 200, 40)
END = struct.Struct("<IHHHHIIH")


def end_record(count, size, offset, comment_length):
    return END.pack(0x06054B50, 0, 0, count, count, size, offset, comment_length)


def two_directories(book, decoy_pdf, dst):
    """The book's metadata, a decoy PDF of the same length and CRC-32 field under
    the book PDF's name, the book's PDF, then two directories: the first the
    book's own, the second, in the first end record's comment, naming the decoy."""
    with zipfile.ZipFile(book) as z:
        meta, pdf = z.read("metadata.brivane"), z.read("flipbook.pdf")
    assert len(decoy_pdf) <= len(pdf), "the decoy must fit the book's PDF"
    decoy_pdf += b"\n" * (len(pdf) - len(decoy_pdf))
    buf = io.BytesIO()
    with warnings.catch_warnings(), zipfile.ZipFile(buf, "w") as z:
        warnings.simplefilter("ignore")  # the name twice is the point
        z.writestr(zipfile.ZipInfo("metadata.brivane"), meta, zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo("flipbook.pdf"), decoy_pdf, zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo("flipbook.pdf"), pdf, zipfile.ZIP_STORED)
        decoy_local = z.infolist()[1].header_offset
    data = bytearray(buf.getvalue())
    _, _, _, _, _, size, offset, _ = END.unpack(data[-22:])
    crc = struct.pack("<I", zlib.crc32(pdf))
    data[decoy_local + 14:decoy_local + 18] = crc
    headers, at = [], offset
    while at < offset + size:
        length = 46 + sum(struct.unpack("<HHH", data[at + 28:at + 34]))
        headers.append(bytes(data[at:at + length]))
        at += length
    headers[1] = headers[1][:16] + crc + headers[1][20:]
    body = bytes(data[:offset])
    real, decoy = headers[0] + headers[2], headers[0] + headers[1]
    second_at = offset + len(real) + 22
    dst.write_bytes(body + real + end_record(2, len(real), offset, len(decoy) + 22) +
                    decoy + end_record(2, len(decoy), second_at, 0))
    return dst


def never_green(desktop, wid, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop.run("xdotool", "windowraise", str(wid))
        assert colour_share(desktop.pixels(wid), GREEN) < 0.01, "the decoy's page reached the screen"
        time.sleep(0.2)


def test_two_directory_book_is_refused_and_its_decoy_never_shown(desktop, launch, books):
    folder = desktop.root / "two-directories"
    folder.mkdir()
    decoy = flipbooks.write_pdf(folder / "decoy.pdf", [GREEN] * 8, link="https://example.org/from-the-pdf")
    book = two_directories(books["red"], decoy.read_bytes(), folder / "two-directories.flip")

    # Opened through the panel: the check refuses it like any invalid file.
    app = launch()
    wid = app.start_window()
    app.open_with_panel(wid, book)
    app.wait_alert(INVALID_TEXT)
    desktop.screenshot(None, "two-directories-alert")
    desktop.focus(app.windows()[-1])
    desktop.key("Return")
    wait_until("the alert to close", lambda: not app.alerts())
    assert app.windows() == [wid]
    assert "load path:" not in app.lines(), "a refused file was loaded"
    assert_start_look(desktop, wid)
    app.kill()

    # Handed over on the command line, without the check: nothing of it is
    # prepared, so no page of it, the decoy's or the book's, is ever shown.
    app = launch(book)
    (wid,) = app.wait_windows(1)
    never_green(desktop, wid, 4)
    desktop.screenshot(wid, "two-directories-command-line")
    assert colour_share(desktop.pixels(wid), flipbooks.RED) < 0.01, "a page of the refused book was shown"
    assert "load path:" not in app.lines(), "a refused file was loaded"
    assert app.proc.poll() is None
