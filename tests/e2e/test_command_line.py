"""Files handed over on the command line are shown at once, without the check."""
import time

import pytest

from flipbooks import RED
from helpers import assert_reading_look, wait_pages


@pytest.mark.parametrize("book", ["red", "too_new"])
def test_file_argument_opens_reader_without_check(desktop, launch, books, book):
    app = launch(books[book])
    (wid,) = app.wait_windows(1, timeout=30)
    app.wait_title(wid, books["red_title"])
    assert_reading_look(desktop, wid)
    wait_pages(desktop, wid, RED)
    assert not app.alerts(), "a file handed over must not be checked"
    assert "action.openfile" not in app.lines()


def test_unreadable_file_argument_keeps_program_running(desktop, launch, books):
    app = launch(books["broken"]["not a ZIP archive"])
    (wid,) = app.wait_windows(1, timeout=30)
    time.sleep(2)  # give a crash or an early exit the time to happen
    assert app.proc.poll() is None, "brivane-reader ended on a file it cannot show"
    assert app.windows() == [wid]
    desktop.screenshot(wid, "unreadable-file-message")
