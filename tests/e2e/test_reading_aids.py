"""Reading without sight: the shown pages' text and the reader's commands in native
widgets a screen reader reaches, and the book read aloud sentence by sentence."""
import array
import json
import re
import subprocess
import sys
import time
import wave
from pathlib import Path

from conftest import BUILD
from desktop import wait_until
from flipbooks import rewrite_metadata

TEXT_BOOK = BUILD / "samples" / "textbook.flip"
TITLE = "Harbour Notes"
# Known lines of the text book, each in its page's first sentence (the lines around
# them are words without stops, and a stop before a small letter ends no sentence).
PAGE_9 = "Then she lit the copper lantern and waited."
PAGE_10 = "lantern the chart lay open at the reef."
GO_MENU = ["Next Page", "Previous Page", "First Page", "Last Page", "Go to Page…"]


def probe(app):
    """The windows of app as the accessibility bus shows them."""
    out = subprocess.run([sys.executable, str(Path(__file__).with_name("a11y_probe.py")), str(app.pid)],
                         env=app.desktop.env, capture_output=True, text=True, timeout=30).stdout
    return json.loads(out or "[]")


def documents(app):
    return [text for window in probe(app) for text in window["documents"]]


def menu_items(app):
    return [name for window in probe(app) for name in window["menu_items"]]


def menu(desktop, *keys):
    """Walks the menu bar by keys from F10, giving each menu time to open as a hand would."""
    for key in ("F10", *keys):
        desktop.key(key)
        time.sleep(0.4 if key in ("F10", "Right") else 0.1)


def open_at(desktop, app, page):
    """The text book in one-page view at page, through the page's own keys."""
    (wid,) = app.wait_windows(1)
    app.wait_title(wid, TITLE)
    app.wait_line("action.position 1", timeout=30)
    desktop.focus(wid)
    desktop.key("ctrl+2", "ctrl+g")
    desktop.type(str(page))
    desktop.key("Return")
    app.wait_line(f"action.position {page}")
    return wid


def test_page_text_and_go_menu_reach_the_accessibility_bus(desktop, launch):
    app = launch(TEXT_BOOK)
    wid = open_at(desktop, app, 8)
    before = documents(app)
    desktop.key("Right")  # a turn, then the pane
    app.wait_line("action.position 9")
    desktop.key("ctrl+t")
    found = wait_until("page 9's text on the bus", lambda: [d for d in documents(app) if PAGE_9 in d], 15)
    desktop.screenshot(wid, "page-text-pane")
    assert found[0].startswith("Page 9\n"), found[0][:80]
    assert not any(PAGE_9 in d for d in before), "the page's text was on the bus before the pane showed it"

    menu(desktop, "Right", "Right")  # the program's menu, File, then Go
    items = wait_until("the Go menu's items", lambda: [n for n in menu_items(app) if n in GO_MENU], 10)
    desktop.screenshot(None, "go-menu")
    assert items == GO_MENU, menu_items(app)
    desktop.key("Escape", "Escape")


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
    app.kill()
    # Without one, the pane waits to be asked for.
    again = launch(TEXT_BOOK)
    again.wait_line("action.position 1", timeout=30)
    time.sleep(1)
    assert not [d for d in documents(again) if d.startswith("Page 1\n")]


def spoken(log):
    return [line.split(" ", 2)[2] for line in log.read_text().splitlines() if line.startswith("say ")] \
        if log.exists() else []


def test_read_aloud_follows_the_book_and_stops_with_the_window(desktop, launch):
    log = desktop.root / "spoken.txt"
    log.unlink(missing_ok=True)
    desktop.env["BRIVANE_TEST_SPEECH_LOG"] = str(log)
    try:
        app = launch(TEXT_BOOK)
    finally:
        del desktop.env["BRIVANE_TEST_SPEECH_LOG"]
    wid = open_at(desktop, app, 9)
    time.sleep(0.5)  # the page tells its text once it has settled
    desktop.key("ctrl+shift+r")
    first = wait_until("page 9's first sentence", lambda: spoken(log), 10)[0]
    assert first.startswith("Chapter 8 ") and PAGE_9 in first, first
    time.sleep(0.3)
    desktop.screenshot(wid, "read-aloud-page-9")
    app.wait_line("action.position 10", timeout=30)
    said = wait_until("page 10's first sentence", lambda: [s for s in spoken(log) if PAGE_10 in s], 15)
    assert said[0].startswith("Chapter 9 "), said
    desktop.screenshot(wid, "read-aloud-page-10")

    # The rate goes to the voice; the menu's stop ends it where it is.
    desktop.key("ctrl+shift+s")
    wait_until("the reading to stop", lambda: log.read_text().splitlines()[-1] == "cancel", 5)
    count = len(spoken(log))
    time.sleep(1.5)
    assert len(spoken(log)) == count, "it went on reading after Stop"

    # Reading again, then closing the window: the voice is told to stop, the program ends.
    desktop.key("ctrl+shift+r")
    wait_until("reading again", lambda: len(spoken(log)) > count, 5)
    desktop.key("ctrl+w")
    wait_until("the program to end", lambda: app.proc.poll() is not None, 15)
    assert log.read_text().splitlines()[-1] == "cancel"
    assert app.proc.returncode == 0

    # The words the voice was given, spoken by espeak-ng into a file: real, audible speech.
    wav = desktop.root / "first-sentence.wav"
    subprocess.run(["espeak-ng", "-w", str(wav), first], check=True, timeout=60)
    with wave.open(str(wav)) as w:
        samples = array.array("h", w.readframes(w.getnframes()))
        seconds = w.getnframes() / w.getframerate()
    loud = sum(1 for s in samples if abs(s) > 1000) / max(len(samples), 1)
    assert seconds > 3 and loud > 0.05, (seconds, loud)


SAMPLE_BOOK = BUILD / "samples" / "sample.flip"


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
        (wid,) = app.wait_windows(1)
        app.wait_line("action.position 1", timeout=30)
        desktop.focus(wid)
        desktop.key("ctrl+2", "ctrl+g")
        desktop.type("9")
        desktop.key("Return")
        app.wait_line("action.position 9")
        time.sleep(0.5)
        desktop.key("ctrl+shift+r")
        # The null device takes sound as fast as it comes: the book is read to its end at once.
        app.wait_line("action.position 10", timeout=30)
        ended = "Read aloud reached the end of the book."
        wait_until("the end said in the status line",
                   lambda: any(ended in s for w in probe(app) for s in w["statuses"]), 20)
        desktop.screenshot(wid, "read-aloud-speech-service-end")
        desktop.key("ctrl+w")
        wait_until("the program to end", lambda: app.proc.poll() is not None, 15)
    finally:
        (home / ".asoundrc").unlink()
        speechd.unlink()
    # espeak-ng's 16-bit samples at 22050 Hz: seconds of speech, not silence.
    samples = array.array("h", audio.read_bytes())
    seconds = len(samples) / 22050
    loud = sum(1 for s in samples if abs(s) > 1000) / max(len(samples), 1)
    assert seconds > 2 and loud > 0.1, (seconds, loud)


def test_read_aloud_without_a_speech_service_says_so_and_nothing_breaks(desktop, launch):
    # The service's client library reads this; no server answers there.
    desktop.env["SPEECHD_ADDRESS"] = f"unix_socket:{desktop.root}/no-speech/speechd.sock"
    try:
        app = launch(SAMPLE_BOOK)
    finally:
        del desktop.env["SPEECHD_ADDRESS"]
    (wid,) = app.wait_windows(1)
    app.wait_line("action.position 1", timeout=30)
    desktop.focus(wid)
    desktop.key("ctrl+shift+r")
    missing = "Read aloud needs the speech service (speech-dispatcher), which cannot be reached."
    wait_until("the status line to say why", lambda: [
        s for w in probe(app) for s in w["statuses"] if s == missing], 15)
    desktop.screenshot(wid, "read-aloud-no-service")
    desktop.focus(wid)
    desktop.key("Right")
    app.wait_line("action.position 2")
    desktop.key("ctrl+w")
    wait_until("the program to end", lambda: app.proc.poll() is not None, 15)
    assert app.proc.returncode == 0
    assert sum("speech service:" in line for line in app.lines()) == 1, app.lines()


def test_every_reader_action_by_keyboard_alone(desktop, launch):
    log = desktop.root / "spoken-keys.txt"
    log.unlink(missing_ok=True)
    # The text book with contents of its own, to walk as a list.
    toc = [{"title": "Opening", "page": 1}, {"title": "Chapters", "page": 2, "children": [
        {"title": "Chapter 8", "page": 9}, {"title": "Chapter 9", "page": 10}]}]
    book = rewrite_metadata(TEXT_BOOK, desktop.root / "contents-book.flip", lambda m: {**m, "toc": toc})
    desktop.env["BRIVANE_TEST_SPEECH_LOG"] = str(log)
    try:
        app = launch(book)
    finally:
        del desktop.env["BRIVANE_TEST_SPEECH_LOG"]
    (wid,) = app.wait_windows(1)
    app.wait_title(wid, TITLE)
    app.wait_line("action.position 1", timeout=30)
    desktop.focus(wid)
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
        rows = [t for w in probe(app) if w["role"] == "dialog" for t in w["texts"]]
        desktop.key(*keys)
        wait_until("the list to close", lambda: listed not in app.windows(), 5)
        assert rows[:len(want)] == want, rows
        app.wait_line(line)
    # The page text takes the keyboard; reading aloud starts and stops by keys.
    desktop.key("ctrl+t")
    wait_until("page 9's text", lambda: [d for d in documents(app) if d.startswith("Page 9\n")], 10)
    # From the pane Ctrl+Page Down turns (plain Page Down moves its caret); Ctrl+T gives
    # the keys back to the page, where the arrows turn again.
    desktop.key("ctrl+Next")
    app.wait_line("action.position 10")
    wait_until("page 10's text", lambda: [d for d in documents(app) if d.startswith("Page 10\n")], 10)
    desktop.key("ctrl+t")
    desktop.key("Right")
    app.wait_line("action.position 11")
    # Find in the pane's own field: the count comes back in its status line.
    desktop.key("ctrl+shift+f")
    desktop.type("copper lantern")
    first = wait_until("the count in the status line", lambda: [
        s for w in probe(app) for s in w["statuses"] if re.fullmatch(r"\d+ of \d+", s)], 15)[0]
    current, total = map(int, first.split(" of "))
    desktop.key("Return")
    app.wait_line(f"action.found {current % total + 1} of {total}")
    desktop.screenshot(wid, "find-in-pane")
    desktop.key("ctrl+shift+r")
    wait_until("reading", lambda: spoken(log), 10)
    desktop.key("ctrl+shift+s")
    wait_until("the reading to stop", lambda: log.read_text().splitlines()[-1] == "cancel", 5)
    desktop.key("ctrl+w")
    wait_until("the program to end", lambda: app.proc.poll() is not None, 15)


def test_a_speech_service_that_never_answers_pauses_and_says_so(desktop, launch):
    """Without sound the service takes the words and never says they were spoken (the test
    desktop has no sound card): the reading must not hang there without a word."""
    app = launch(SAMPLE_BOOK)
    (wid,) = app.wait_windows(1)
    app.wait_line("action.position 1", timeout=30)
    desktop.focus(wid)
    desktop.key("ctrl+shift+r")
    cut = "Read aloud paused: the voice was interrupted or stopped answering."
    wait_until("the status line to say it went quiet", lambda: [
        s for w in probe(app) for s in w["statuses"] if s == cut], 40)
    assert not any(line.startswith("action.position 2") for line in app.lines()), "it read on without a voice"
    desktop.key("ctrl+w")
    wait_until("the program to end", lambda: app.proc.poll() is not None, 15)
