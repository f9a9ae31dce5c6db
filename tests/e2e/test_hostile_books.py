"""Hostile flipbooks opened in the real window: what shows on screen, what
the process costs, and what reaches the recording address handler."""
import json
import time

import pytest

import flipbooks
from desktop import colour_share
from flipbooks import GREEN, RED
from reader_app import cpu_seconds, rss_mb, wait_pages

HUGE_TITLE = "Flood " * 1_750_000  # 10.5 MB
MANY_PAGES = 200_000
# What a reader window may cost; the hostile books used to take gigabytes.
APP_MB, WEB_MB = 500, 1500


@pytest.fixture(scope="module")
def hostile(desktop, books):
    folder, red = desktop.root / "hostile", books["red"]
    folder.mkdir()
    outside = flipbooks.write_png(desktop.root / "outside" / "outside.png", GREEN)
    title = lambda m: {**m, "design": {**m["design"], "title": HUGE_TITLE}}
    deep = lambda m: json.dumps(m)[:-1] + ', "deep": ' + "[" * 200_000 + "]" * 200_000 + "}"
    pdf = flipbooks.write_many_pages_pdf(folder / "many.pdf", MANY_PAGES, RED)
    return {
        "outside background": flipbooks.rewrite(red, folder / "background.flip",
                                                lambda m: {**m, "design": {**m["design"], "background": outside.as_uri()}}),
        "deep metadata": flipbooks.rewrite(red, folder / "deep.flip", raw=deep),
        "huge title": flipbooks.rewrite(red, folder / "huge-title.flip", title),
        "many pages": flipbooks.rewrite(red, folder / "many-pages.flip", entries={"flipbook.pdf": pdf.read_bytes()}),
    }


def assert_cheap(app, what):
    app_mb, web_mb = rss_mb(app.pid), max([rss_mb(p) for p in app.web_processes()] or [0])
    assert app_mb < APP_MB and web_mb < WEB_MB, f"{what}: app {app_mb:.0f} MB, web {web_mb:.0f} MB"


def test_background_from_outside_the_book_is_never_painted(desktop, launch, hostile):
    app = launch(hostile["outside background"])
    (wid,) = app.wait_windows(1)
    wait_pages(desktop, wid, RED, timeout=40)
    time.sleep(1.5)  # a background image paints after the pages
    assert colour_share(desktop.pixels(wid), GREEN) < 0.002, "an image from outside the book was painted"
    assert not [a for a in desktop.opened() if not a.startswith(("http", "mailto"))]


def test_deep_metadata_and_huge_title_cost_little(desktop, launch, hostile):
    # Too deep to read: the book counts as without metadata, and the app says so and keeps running.
    deep = launch(hostile["deep metadata"])
    deep.wait_windows(1)
    deep.wait_line("Error parsing metadata GetMetadataSource", timeout=40)
    time.sleep(1)
    assert_cheap(deep, "deep metadata")
    deep.kill()

    huge = launch(hostile["huge title"])
    (wid,) = huge.wait_windows(1)
    wait_pages(desktop, wid, RED, timeout=40)
    assert_cheap(huge, "huge title")


def test_many_pages_show_as_fast_as_few_and_build_nothing_per_page(desktop, launch, books, hostile):
    def first_spread(path):
        started = time.monotonic()
        app = launch(path)
        (wid,) = app.wait_windows(1)
        wait_pages(desktop, wid, RED, timeout=90)
        return app, wid, time.monotonic() - started
    few, _, few_seconds = first_spread(books["red"])
    few.kill()
    many, wid, many_seconds = first_spread(hostile["many pages"])
    print(f"first spread: 8 pages {few_seconds:.1f} s, {MANY_PAGES} pages {many_seconds:.1f} s")
    # The larger archive takes its time to unpack and the larger PDF to read its cross-reference table.
    assert many_seconds <= 2 * few_seconds + 5, f"{many_seconds:.1f} s for {MANY_PAGES} pages, {few_seconds:.1f} s for 8"
    # Once the reader page shows the spread, it idles instead of building per-page things.
    many.wait_drawn(timeout=90)
    web = many.web_processes()  # the start page's and the reader's
    assert web, "no web process found"
    before = sum(map(cpu_seconds, web))
    time.sleep(4)
    busy = (sum(map(cpu_seconds, web)) - before) / 4
    assert busy < 0.1, f"the reader page kept {busy:.0%} of a CPU busy after showing"
    assert_cheap(many, "many pages")
