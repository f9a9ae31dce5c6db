"""Hostile flipbooks opened in the real window: what shows on screen, what
the process costs, and what reaches the recording address handler."""
import json
import time
from urllib.parse import quote

import pytest

import flipbooks
from desktop import colour_share, wait_until
from flipbooks import RED
from reader_app import cpu_seconds, rss_mb, wait_pages

GREEN = (20, 200, 40)
HUGE_TITLE = "Flood " * 1_750_000  # 10.5 MB
MANY_PAGES = 200_000
# What a reader window may cost; the hostile books used to take gigabytes.
APP_MB, WEB_MB = 500, 1500


def with_metadata(src, dst, change=None, raw=None):
    meta = flipbooks.metadata_of(src)
    return flipbooks.rewrite_entries(src, dst, metadata_text=raw(meta) if raw else json.dumps(change(meta)))


@pytest.fixture(scope="module")
def hostile(desktop, books):
    folder, red = desktop.root / "hostile", books["red"]
    folder.mkdir()
    outside = flipbooks.write_png(desktop.root / "outside" / "files" / "backgrounds" / "outside.png", GREEN)
    # From the unpacked data directory's files/backgrounds up to / and down again, with
    # the separators escaped so that only the file system sees them.
    climb = "files/backgrounds/" + "..%2F" * 30 + quote(str(outside).lstrip("/"), safe="")
    background = lambda value: lambda m: {**m, "design": {**m["design"], "background": value}}
    title = lambda m: {**m, "design": {**m["design"], "title": HUGE_TITLE}}
    deep = lambda m: json.dumps(m)[:-1] + ', "deep": ' + "[" * 200_000 + "]" * 200_000 + "}"
    pdf = flipbooks.write_many_pages_pdf(folder / "many.pdf", MANY_PAGES, RED)
    mail = "mailto:reader@example.org?subject=Hi&attach=/etc/passwd&Attachment=%2Fetc%2Fshadow"
    return {
        "outside background, absolute": with_metadata(red, folder / "bg-absolute.flip", background(outside.as_uri())),
        "outside background, escaped climb": with_metadata(red, folder / "bg-climb.flip", background(climb)),
        "deep metadata": with_metadata(red, folder / "deep.flip", raw=deep),
        "huge title": with_metadata(red, folder / "huge-title.flip", title),
        "twenty pages": flipbooks.pack(books["flip_tool"], folder / "twenty.flip", [RED] * 20, "Twenty"),
        "many pages": flipbooks.rewrite_entries(red, folder / "many-pages.flip", entries={"flipbook.pdf": pdf.read_bytes()}),
        "mail with attachment": flipbooks.pack(books["flip_tool"], folder / "mail.flip", [RED] * 4, "Mail", link=mail),
    }


def costs(app):
    return rss_mb(app.pid), max([rss_mb(p) for p in app.web_processes()] or [0])


def open_hostile(app, desktop):
    """The one window, once it shows red pages."""
    (wid,) = app.wait_windows(1)
    wait_pages(desktop, wid, RED, timeout=40)
    return wid


@pytest.mark.parametrize("case", ["outside background, absolute", "outside background, escaped climb"])
def test_background_from_outside_the_book_is_never_painted(desktop, launch, hostile, case):
    app = launch(hostile[case])
    wid = open_hostile(app, desktop)
    time.sleep(1.5)  # a background image paints after the pages
    desktop.screenshot(wid, f"hostile-{case.replace(', ', '-').replace(' ', '-')}")
    assert colour_share(desktop.pixels(wid), GREEN) < 0.002, "an image from outside the book was painted"
    assert not [a for a in desktop.opened() if not a.startswith(("http", "mailto"))]


def test_deep_metadata_and_huge_title_cost_little(desktop, launch, hostile):
    # Too deep to read: the book counts as without metadata, and the app says so and keeps running.
    deep = launch(hostile["deep metadata"])
    deep.wait_windows(1)
    deep.wait_line("Error parsing metadata GetMetadataSource", timeout=40)
    time.sleep(1)
    app_mb, web_mb = costs(deep)
    assert app_mb < APP_MB and web_mb < WEB_MB, f"deep metadata: app {app_mb:.0f} MB, web {web_mb:.0f} MB"
    deep.kill()

    huge = launch(hostile["huge title"])
    (wid,) = huge.wait_windows(1)
    title = wait_until("a flood title", lambda: (t := huge.desktop.title(wid)).startswith("Flood") and t, 40)
    assert len(title) <= 201 and title.endswith("…"), f"window title of {len(title)} characters"
    wait_pages(desktop, wid, RED, timeout=40)
    desktop.screenshot(wid, "hostile-huge-title")
    app_mb, web_mb = costs(huge)
    assert app_mb < APP_MB and web_mb < WEB_MB, f"huge title: app {app_mb:.0f} MB, web {web_mb:.0f} MB"


def test_many_pages_show_as_fast_as_few_and_build_nothing_per_page(desktop, launch, books, hostile):
    def first_spread(path):
        started = time.monotonic()
        app = launch(path)
        (wid,) = app.wait_windows(1)
        wait_pages(desktop, wid, RED, timeout=90)
        return app, wid, time.monotonic() - started
    few, _, few_seconds = first_spread(hostile["twenty pages"])
    few.kill()
    many, wid, many_seconds = first_spread(hostile["many pages"])
    print(f"first spread: 20 pages {few_seconds:.1f} s, {MANY_PAGES} pages {many_seconds:.1f} s")
    # The larger archive takes its time to unpack and the larger PDF to read its cross-reference table.
    assert many_seconds <= 2 * few_seconds + 5, f"{many_seconds:.1f} s for {MANY_PAGES} pages, {few_seconds:.1f} s for 20"
    # Once the reader page shows the spread, it idles instead of building per-page things.
    many.wait_drawn(timeout=90)
    web = many.web_processes()  # the start page's and the reader's
    assert web, "no web process found"
    before = sum(map(cpu_seconds, web))
    time.sleep(4)
    busy = (sum(map(cpu_seconds, web)) - before) / 4
    app_mb, web_mb = costs(many)
    desktop.screenshot(wid, "hostile-many-pages")
    print(f"after showing: {busy:.0%} of a CPU, app {app_mb:.0f} MB, web {web_mb:.0f} MB")
    assert busy < 0.1, f"the reader page kept {busy:.0%} of a CPU busy after showing"
    assert app_mb < APP_MB and web_mb < WEB_MB, f"many pages: app {app_mb:.0f} MB, web {web_mb:.0f} MB"


def test_mail_link_loses_its_attachments(desktop, launch, hostile):
    app = launch(hostile["mail with attachment"])
    (wid,) = app.wait_windows(1)
    wait_pages(desktop, wid, RED, timeout=40)
    app.wait_drawn()
    width, height = desktop.geometry(wid)
    desktop.focus(wid)
    desktop.click(wid, width * 2 // 3, height // 3)  # the link over the middle of the cover
    address = wait_until("a mail address handed over", lambda: [a for a in desktop.opened() if a.startswith("mailto:")])
    assert address == ["mailto:reader@example.org?subject=Hi"]
    assert app.proc.poll() is None
