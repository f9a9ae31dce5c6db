"""Starting the reader and opening files: through the start page, where the check
rejects some with an alert, and on the command line, where files are shown at once."""
import time
from pathlib import Path

import pytest

from desktop import colour_share, wait_until
from flipbooks import GREEN, RED
from reader_app import (INVALID_TEXT, SERVICE, TOO_NEW_TEXT, assert_reading_look, assert_start_look,
                        reader_window, wait_pages)


def test_open_panel_switches_window_to_reader(desktop, launch, books):
    app = launch()
    wid = app.start_window()
    app.open_with_panel(wid, books["red"])
    app.wait_line(books["red"].as_uri())
    app.wait_line("load path:")
    app.wait_title(wid, books["red_title"])
    assert app.windows() == [wid], "opening must reuse the start window"
    assert_reading_look(desktop, wid)
    wait_pages(desktop, wid, RED)
    assert [p for p in Path(desktop.tmpdir).rglob("red-book-*") if (p / "data").is_dir()], \
        "no workspace with a data directory"


def check_rejected(app, wid, path, text, buttons, key, shot):
    """Opens path through the panel, sees the alert with its buttons and answers it by key."""
    app.open_with_panel(wid, path)
    app.wait_line(path.as_uri())
    alert = app.wait_alert(text)
    assert [b.split(" ")[0] for b in alert["buttons"]] == buttons, f"{path.name}: {alert}"
    app.desktop.screenshot(None, shot)
    app.desktop.focus(app.windows()[-1])
    app.desktop.key(key)
    wait_until("the alert to close", lambda: not app.alerts())


@pytest.mark.parametrize("answer, key, opened", [
    ("Yes", "Return", [SERVICE + "/reader/update"]),
    ("No", "Escape", []),
])
def test_too_new_file_asks_to_update(desktop, launch, books, answer, key, opened):
    app = launch()
    wid = app.start_window()
    check_rejected(app, wid, books["too_new"], TOO_NEW_TEXT, ["Yes", "No"], key, f"too-new-alert-{answer}")
    if opened:
        desktop.wait_opened(opened[0])
    else:
        time.sleep(1.5)  # long enough for a wrongly launched address to be logged
    assert desktop.opened() == opened
    assert app.windows() == [wid]
    assert "load path:" not in app.lines(), "a rejected file was loaded"
    assert_start_look(desktop, wid)


# Which check refuses a file, and that its codes give this alert, is for the unit tests.
@pytest.mark.parametrize("language, text, close", [
    ("en", INVALID_TEXT, "Close"),
    ("de", "Die gewählte Flipbook-Datei hat ein ungültiges Format und kann nicht geöffnet werden.", "Schließen"),
])
def test_an_invalid_file_gets_the_alert_in_the_session_language(desktop, launch, books, language, text, close):
    app = launch(LANGUAGE=language)
    wid = app.start_window()
    check_rejected(app, wid, books["broken"]["not a ZIP archive"], text, [close], "Return", f"invalid-alert-{language}")
    assert app.windows() == [wid], "windows after Close"
    assert_start_look(desktop, wid)
    assert "load path:" not in app.lines(), "a rejected file was loaded"
    app.open_with_panel(wid, books["red"])
    app.wait_title(wid, books["red_title"])


def test_file_argument_opens_reader_without_check(desktop, launch, books):
    app = launch(books["too_new"])
    wid = reader_window(app, books["red_title"], RED)
    assert_reading_look(desktop, wid)
    assert not app.alerts(), "a file handed over must not be checked"


# Without the check the unpacker alone refuses a two-directory book while the page
# may already read from the archive: no page of it, the decoy's (green) or the
# book's (red), may ever be shown.
def test_unreadable_file_argument_shows_no_page_and_keeps_running(desktop, launch, books):
    app = launch(books["broken"]["two directories"])
    (wid,) = app.wait_windows(1)
    deadline = time.monotonic() + 4  # give a crash, an early exit or a late page the time to happen
    while time.monotonic() < deadline:
        desktop.run("xdotool", "windowraise", str(wid))
        raw = desktop.pixels(wid)
        assert colour_share(raw, GREEN) < 0.01 and colour_share(raw, RED) < 0.01, "a page of a refused file was shown"
        time.sleep(0.2)
    assert app.proc.poll() is None, "brivane-reader ended on a file it cannot show"
    assert app.windows() == [wid]
    assert "load path:" not in app.lines(), "a refused file was loaded"
