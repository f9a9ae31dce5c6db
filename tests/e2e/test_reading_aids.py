"""Reading without sight: the shown pages' text and the reader's commands in native
widgets a screen reader reaches, and the book read aloud sentence by sentence."""
import array
import re
import subprocess
import time
from pathlib import Path

import pytest

from conftest import SAMPLE_BOOK, TEXT_BOOK
from desktop import wait_until
from flipbooks import rewrite

TITLE = "Harbour Notes"
# Known lines of the text book, each in its page's first sentence (the lines around
# them are words without stops, and a stop before a small letter ends no sentence).
PAGE_9 = "Then she lit the copper lantern and waited."
PAGE_10 = "lantern the chart lay open at the reef."
GO_MENU = ["Next Page", "Previous Page", "First Page", "Last Page", "Go to Page…"]


def documents(app):
    return [text for window in app.accessible() for text in window["documents"]]


def statuses(app):
    return [status for window in app.accessible() for status in window["statuses"]]


def menu(desktop, *keys):
    """Walks the menu bar by keys from F10, giving each menu time to open as a hand would."""
    for key in ("F10", *keys):
        desktop.key(key)
        time.sleep(0.4 if key in ("F10", "Right") else 0.1)


def screen_reader(desktop, on):
    """Says on the accessibility bus that a screen reader runs, as one does when it starts."""
    subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                    "--method", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "ScreenReaderEnabled",
                    f"<{'true' if on else 'false'}>"], env=desktop.env, check=True, capture_output=True, timeout=20)


def test_with_a_screen_reader_running_the_page_text_shows_at_once(desktop, launch):
    screen_reader(desktop, True)
    try:
        app = launch(TEXT_BOOK)
        app.wait_line("action.position 1", timeout=30)
        wait_until("page 1's text on the bus", lambda: [d for d in documents(app) if d.startswith("Page 1\n")], 15)
    finally:
        screen_reader(desktop, False)


def spoken(log):
    return [line.split(" ", 2)[2] for line in log.read_text().splitlines() if line.startswith("say ")] \
        if log.exists() else []


def test_read_aloud_through_the_speech_service(desktop, launch):
    """speech-dispatcher and espeak-ng for real. The test desktop has no sound card: the
    service plays into an ALSA device that writes what it is given to a file."""
    home, config = Path(desktop.env["HOME"]), Path(desktop.env["XDG_CONFIG_HOME"])
    audio = desktop.root / "spoken.raw"
    speechd = config / "speech-dispatcher" / "speechd.conf"
    speechd.parent.mkdir(parents=True, exist_ok=True)
    speechd.write_text(Path("/etc/speech-dispatcher/speechd.conf").read_text()
                       + '\nAudioOutputMethod "alsa"\nAudioALSADevice "speechfile"\n')
    (home / ".asoundrc").write_text(
        f'pcm.speechfile {{ type file\n slave.pcm "null"\n file "{audio}"\n format "raw" }}\n')
    try:
        app = launch(SAMPLE_BOOK)
        wid = app.focused_at(1)
        desktop.key("ctrl+2", "ctrl+g")  # single pages, then the page box
        desktop.type("9")
        desktop.key("Return")
        app.wait_line("action.position 9")
        time.sleep(0.5)
        desktop.key("ctrl+shift+r")
        # The null device takes sound as fast as it comes: the book is read to its end at once.
        app.wait_line("action.position 10", timeout=30)
        ended = "Read aloud reached the end of the book."
        wait_until("the end said in the status line", lambda: any(ended in s for s in statuses(app)), 20)
        desktop.screenshot(wid, "read-aloud-speech-service-end")
        desktop.key("ctrl+w")
        app.wait_exit()
    finally:
        (home / ".asoundrc").unlink()
        speechd.unlink()
    # espeak-ng's 16-bit samples at 22050 Hz: seconds of speech, not silence.
    samples = array.array("h", audio.read_bytes())
    seconds = len(samples) / 22050
    loud = sum(1 for s in samples if abs(s) > 1000) / max(len(samples), 1)
    assert seconds > 2 and loud > 0.1, (seconds, loud)


def test_every_reader_action_by_keyboard_alone(desktop, launch):
    log = desktop.root / "spoken-keys.txt"
    log.unlink(missing_ok=True)
    # The text book with contents of its own, to walk as a list.
    toc = [{"title": "Opening", "page": 1}, {"title": "Chapters", "page": 2, "children": [
        {"title": "Chapter 8", "page": 9}, {"title": "Chapter 9", "page": 10}]}]
    book = rewrite(TEXT_BOOK, desktop.root / "contents-book.flip", lambda m: {**m, "toc": toc})
    app = launch(book, BRIVANE_TEST_SPEECH_LOG=str(log))
    wid = app.focused_at(1, TITLE)
    # The Go menu's items reach the bus, in the order the steps below walk.
    menu(desktop, "Right", "Right")  # the program's menu, File, then Go
    items = wait_until("the Go menu's items", lambda: [n for w in app.accessible() for n in w["menu_items"] if n in GO_MENU], 10)
    assert items == GO_MENU, items
    desktop.key("Escape", "Escape")
    # Without a screen reader the page text waits to be asked for.
    assert not [d for d in documents(app) if d.startswith("Page 1\n")]
    # Menus by keys, as a screen-reader user walks them: F10 opens the program's menu
    # with its first item chosen, Right the next menu, Down the next item, Return runs it.
    steps = [
        (["Right", "Right", "Return"], "action.position 2"),  # Go → Next Page
        (["Right", "Right", "Down", "Down", "Down", "Return"], "action.position 12"),  # Go → Last Page
        (["Right", "Right", "Down", "Down", "Return"], "action.position 1"),  # Go → First Page
        (["Right"] * 3 + ["Down"] * 5 + ["Return"], '"view":"single"'),  # View → Single Page
    ]
    for keys, line in steps:
        menu(desktop, *keys)
        wait_until(f"{keys} to give {line}", lambda: any(line in l for l in app.lines()), 10)
    # Go → Go to Page…: a native dialog, the number typed, Enter.
    known = app.windows()
    menu(desktop, "Right", "Right", "Down", "Down", "Down", "Down", "Return")
    dialog = app.wait_new_window(known)
    desktop.screenshot(dialog, "go-to-page-dialog")
    desktop.key("ctrl+a")
    desktop.type("7")
    desktop.key("Return")
    app.wait_line("action.position 7")
    wait_until("the dialog to close", lambda: dialog not in app.windows(), 5)
    # View → Pages… and View → Contents…: native lists, walked with the arrows.
    for items, keys, want, line in [
        (["Down"] * 10, ["Home", "Down", "Down", "Return"], ["Page 1", "Page 2", "Page 3"], "action.position 3"),
        (["Down"] * 9, ["End", "Up", "Return"],
         ["Opening, page 1", "Chapters, page 2", "Chapter 8, page 9", "Chapter 9, page 10"], "action.position 9"),
    ]:
        known = app.windows()
        menu(desktop, "Right", "Right", "Right", *items, "Return")
        listed = app.wait_new_window(known)
        time.sleep(0.3)
        desktop.screenshot(listed, "list-" + want[0].split(",")[0].lower().replace(" ", "-"))
        rows = [t for w in app.alerts() if w["role"] == "dialog" for t in w["texts"]]
        desktop.key(*keys)
        wait_until("the list to close", lambda: listed not in app.windows(), 5)
        assert rows[:len(want)] == want, rows
        app.wait_line(line)
    # Read aloud from the real page text, sentence by sentence, turning on; stopped by keys.
    time.sleep(0.5)  # the page tells its text once it has settled
    desktop.key("ctrl+shift+r")
    first = wait_until("page 9's first sentence", lambda: spoken(log), 10)[0]
    assert first.startswith("Chapter 8 ") and PAGE_9 in first, first
    app.wait_line("action.position 10", timeout=30)
    said = wait_until("page 10's first sentence", lambda: [s for s in spoken(log) if PAGE_10 in s], 15)
    assert said[0].startswith("Chapter 9 "), said
    desktop.key("ctrl+shift+s")
    wait_until("the reading to stop", lambda: log.read_text().splitlines()[-1] == "cancel", 5)
    # The page text takes the keyboard. From the pane Ctrl+Page Down turns (plain Page Down
    # moves its caret); Ctrl+T gives the keys back to the page, where the arrows turn again.
    desktop.key("ctrl+t")
    wait_until("page 10's text", lambda: [d for d in documents(app) if d.startswith("Page 10\n")], 10)
    desktop.key("ctrl+Next")
    app.wait_line("action.position 11")
    wait_until("page 11's text", lambda: [d for d in documents(app) if d.startswith("Page 11\n")], 10)
    desktop.key("ctrl+t")
    desktop.key("Right")
    # Go → Last Page told 12 before: only the last position told counts here.
    wait_until("Right to turn to page 12",
               lambda: [m for m in app.lines() if m.startswith("action.position ")][-1] == "action.position 12", 10)
    # Find in the pane's own field: the count comes back in its status line.
    desktop.key("ctrl+shift+f")
    desktop.type("copper lantern")
    first = wait_until("the count in the status line",
                       lambda: [s for s in statuses(app) if re.fullmatch(r"\d+ of \d+", s)], 15)[0]
    current, total = map(int, first.split(" of "))
    desktop.key("Return")
    app.wait_line(f"action.found {current % total + 1} of {total}")
    desktop.screenshot(wid, "find-in-pane")
    # Closing the window while it reads: the voice is told to stop, the program ends.
    said = len(spoken(log))
    desktop.key("ctrl+shift+r")
    wait_until("reading again", lambda: len(spoken(log)) > said, 10)
    desktop.key("ctrl+w")
    assert app.wait_exit() == 0
    assert log.read_text().splitlines()[-1] == "cancel"


@pytest.mark.parametrize("env, status, timeout, connect_failures", [
    # The service's client library reads this address; no server answers there.
    ({"SPEECHD_ADDRESS": "unix_socket:/nonexistent/speechd.sock"},
     "Read aloud needs the speech service (speech-dispatcher), which cannot be reached.", 15, 1),
    # Without sound the service takes the words and never says they were spoken (the test
    # desktop has no sound card): the reading must not hang there without a word.
    ({}, "Read aloud paused: the voice was interrupted or stopped answering.", 40, 0),
], ids=["no service", "a service that never answers"])
def test_read_aloud_without_a_voice_says_why_and_nothing_breaks(desktop, launch, env, status, timeout, connect_failures):
    app = launch(SAMPLE_BOOK, **env)
    wid = app.focused_at(1)
    desktop.key("ctrl+shift+r")
    wait_until(f"the status line to say {status!r}", lambda: status in statuses(app), timeout)
    desktop.screenshot(wid, f"read-aloud-{'no-service' if env else 'no-answer'}")
    assert not any(line.startswith("action.position 2") for line in app.lines()), "it read on without a voice"
    desktop.focus(wid)
    desktop.key("Right")
    app.wait_line("action.position 2")
    desktop.key("ctrl+w")
    assert app.wait_exit() == 0
    assert sum("speech service:" in line for line in app.lines()) == connect_failures, app.lines()
