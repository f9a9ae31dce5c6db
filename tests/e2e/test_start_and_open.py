"""Starting the reader and opening files: through the start page, where the check
rejects some with an alert, and on the command line, where files are shown at once."""
import time
from pathlib import Path

import pytest

from desktop import colour_share, wait_until
from flipbooks import GREEN, RED
from reader_app import (INVALID_TEXT, SERVICE, TOO_NEW_TEXT, assert_reading_look, assert_start_look,
                        reader_window, wait_pages)


@pytest.mark.parametrize("how", ["button", "ctrl+o"])
def test_open_panel_switches_window_to_reader(desktop, launch, books, how):
    app = launch()
    wid = app.start_window()
    app.open_with_panel(wid, books["red"], how)
    app.wait_line(books["red"].as_uri())
    app.wait_line("load path:")
    app.wait_title(wid, books["red_title"])
    assert app.windows() == [wid], "opening must reuse the start window"
    assert_reading_look(desktop, wid)
    wait_pages(desktop, wid, RED)
    assert [p for p in Path(desktop.tmpdir).rglob("red-book-*") if (p / "data").is_dir()], \
        "no workspace with a data directory"
    desktop.screenshot(wid, f"reader-opened-by-{how.replace('+', '-')}")


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


def test_invalid_files_get_the_invalid_alert_then_a_valid_one_opens(desktop, launch, books):
    app = launch()
    wid = app.start_window()
    for what, path in books["broken"].items():
        check_rejected(app, wid, path, INVALID_TEXT, ["Close"], "Return", f"invalid-file-alert-{what.split()[0]}")
        assert app.windows() == [wid], f"{what}: windows after Close"
        assert_start_look(desktop, wid)
    assert "load path:" not in app.lines(), "a rejected file was loaded"
    app.open_with_panel(wid, books["red"])
    app.wait_title(wid, books["red_title"])


def test_a_german_session_gets_the_alert_in_german(desktop, launch, books):
    app = launch(LANGUAGE="de")
    check_rejected(app, app.start_window(), books["broken"]["not a ZIP archive"],
                   "Die gewählte Flipbook-Datei hat ein ungültiges Format und kann nicht geöffnet werden.",
                   ["Schließen"], "Return", "invalid-file-alert-german")


@pytest.mark.parametrize("book", ["red", "too_new"])
def test_file_argument_opens_reader_without_check(desktop, launch, books, book):
    app = launch(books[book])
    wid = reader_window(app, books["red_title"], RED)
    assert_reading_look(desktop, wid)
    assert not app.alerts(), "a file handed over must not be checked"


# Without the check nothing of a two-directory book is prepared, so no page of
# it, the decoy's (green) or the book's (red), may ever be shown.
@pytest.mark.parametrize("what", ["not a ZIP archive", "two directories"])
def test_unreadable_file_argument_shows_no_page_and_keeps_running(desktop, launch, books, what):
    app = launch(books["broken"][what])
    (wid,) = app.wait_windows(1)
    deadline = time.monotonic() + 4  # give a crash, an early exit or a late page the time to happen
    while time.monotonic() < deadline:
        desktop.run("xdotool", "windowraise", str(wid))
        raw = desktop.pixels(wid)
        assert colour_share(raw, GREEN) < 0.01 and colour_share(raw, RED) < 0.01, "a page of a refused file was shown"
        time.sleep(0.2)
    desktop.screenshot(wid, f"unreadable-file-{what.split()[0]}")
    assert app.proc.poll() is None, "brivane-reader ended on a file it cannot show"
    assert app.windows() == [wid]
    assert "load path:" not in app.lines(), "a refused file was loaded"
