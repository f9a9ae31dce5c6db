"""Files handed over on the command line are shown at once, without the check."""
import time

import pytest

from flipbooks import RED
from reader_app import assert_reading_look, reader_window


@pytest.mark.parametrize("book", ["red", "too_new"])
def test_file_argument_opens_reader_without_check(desktop, launch, books, book):
    app = launch(books[book])
    wid = reader_window(app, books["red_title"], RED)
    assert_reading_look(desktop, wid)
    assert not app.alerts(), "a file handed over must not be checked"


def test_unreadable_file_argument_keeps_program_running(desktop, launch, books):
    app = launch(books["broken"]["not a ZIP archive"])
    (wid,) = app.wait_windows(1)
    time.sleep(2)  # give a crash or an early exit the time to happen
    assert app.proc.poll() is None, "brivane-reader ended on a file it cannot show"
    assert app.windows() == [wid]
    desktop.screenshot(wid, "unreadable-file-message")
