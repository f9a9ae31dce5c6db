import os
import shutil
import sys
import tempfile
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))

import flipbooks  # noqa: E402
import frames  # noqa: E402
from desktop import Desktop, tool_missing  # noqa: E402
from reader_app import ReaderApp, menubar_height  # noqa: E402

BUILD = Path(os.environ.get("BRIVANE_BUILD_DIR", Path(__file__).resolve().parents[2] / "build")).resolve()
APP = BUILD / "bin" / "brivane-reader"
ARTIFACTS = BUILD / "e2e-artifacts"
# Books the build makes: a text book drawn with a font, and the sample.
TEXT_BOOK, SAMPLE_BOOK = BUILD / "samples" / "textbook.flip", BUILD / "samples" / "sample.flip"


def pytest_collection_modifyitems(config, items):
    reason = (f"{APP} is not built (BRIVANE_WITH_APP=OFF?)" if not APP.exists() else
              tool_missing() and f"{tool_missing()} is not installed (scripts/install-deps)")
    for item in items if reason else []:
        item.add_marker(pytest.mark.skip(reason=reason))


@pytest.fixture(scope="session")
def desktop():
    root = Path(tempfile.mkdtemp(prefix="brivane-e2e-"))
    shutil.rmtree(ARTIFACTS, ignore_errors=True)
    d = Desktop(root, ARTIFACTS)
    if APP.exists() and not tool_missing():
        d.menubar = menubar_height(d, APP)
    yield d
    d.close()
    shutil.rmtree(root, ignore_errors=True)


@pytest.fixture(scope="session")
def books(desktop):
    """Flipbooks shared by the scenarios, made once."""
    folder, flip = desktop.root / "books", BUILD / "bin" / "brivane-flip"
    folder.mkdir()
    red = flipbooks.pack(flip, folder / "red-book.flip", [flipbooks.RED] * 8, "Red &amp; Ready",
                         subtitle="The red one", link="https://example.org/from-the-pdf")
    return {"flip_tool": flip, "red": red, "red_title": "Red & Ready - The red one", "blue_title": "Blue Book",
            "blue": flipbooks.pack(flip, folder / "blue-book.flip", [flipbooks.BLUE] * 8, "Blue Book"),
            "too_new": flipbooks.rewrite(red, folder / "too-new.flip", lambda m: {**m, "app": 2}),
            "broken": flipbooks.broken_variants(red, folder / "broken")}


@pytest.fixture(scope="session")
def marked(desktop, books):
    """marked(right_to_left) -> a book titled "Marked" whose page n is frames.PAGE_COLOURS[n - 1], banded
    dark along its left third so that a page drawn the wrong way round shows; made once each way."""
    def make(right_to_left=False):
        book = desktop.root / "books" / f"marked-{'rtl' if right_to_left else 'ltr'}.flip"
        return book if book.exists() else flipbooks.pack(books["flip_tool"], book, frames.PAGE_COLOURS, "Marked",
                                                         band=frames.BAND, right_to_left=right_to_left)
    return make


@pytest.fixture
def launch(desktop, request):
    """Starts brivane-reader; every instance is gone when the test ends."""
    started = []
    desktop.handler_log.unlink(missing_ok=True)
    # Each scenario starts without remembered pages, recent books or their covers.
    shutil.rmtree(Path(desktop.env["HOME"]) / ".local" / "state", ignore_errors=True)
    shutil.rmtree(Path(desktop.env["XDG_CACHE_HOME"]) / "brivane-reader", ignore_errors=True)

    def start(*args, **env):  # env: variables for this instance alone
        started.append(ReaderApp(desktop, APP, args, name=f"{request.node.name}-{len(started)}", env=env))
        return started[-1]
    yield start
    for app in started:
        if app.proc.poll() is None:
            desktop.screenshot(None, f"{request.node.name}-at-end")
        app.kill()
    # A critical warning is a programming error that GTK survives: a wrong
    # widget cast, a reference dropped twice.
    faults = [line for app in started for line in app.stderr_path.read_text(errors="replace").splitlines()
              if "-CRITICAL **" in line or "GLib-GObject-WARNING **" in line]
    assert not faults, "\n".join(faults)
