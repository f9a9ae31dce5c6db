"""Files the check rejects: the alerts, their buttons, and what stays on screen."""
import time

import pytest

from desktop import wait_until
from helpers import assert_start_look, open_with_panel, start_window
from reader_app import INVALID_TEXT, SERVICE, TOO_NEW_TEXT


def answer_alert(app, key):
    known = app.windows()
    alert = known[-1]
    app.desktop.focus(alert)
    app.desktop.key(key)
    wait_until("the alert to close", lambda: not app.alerts(), 10)
    return alert


@pytest.mark.parametrize("answer, key, opened", [
    ("Yes", "Return", [SERVICE + "/reader/update"]),
    ("No", "Escape", []),
])
def test_too_new_file_asks_to_update(desktop, launch, books, answer, key, opened):
    app = launch()
    wid = start_window(app)
    open_with_panel(app, wid, books["too_new"])
    app.wait_line(books["too_new"].as_uri())
    alert = app.wait_alert(TOO_NEW_TEXT)
    assert [b.split(" ")[0] for b in alert["buttons"]] == ["Yes", "No"], alert["buttons"]
    desktop.screenshot(None, f"too-new-alert-{answer}")

    answer_alert(app, key)
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
    wid = start_window(app)
    for what, path in books["broken"].items():
        open_with_panel(app, wid, path)
        app.wait_line(path.as_uri())
        alert = app.wait_alert(INVALID_TEXT, timeout=10)
        assert [b.split(" ")[0] for b in alert["buttons"]] == ["Close"], f"{what}: {alert}"
        if what == "no metadata":
            desktop.screenshot(None, "invalid-file-alert")
        answer_alert(app, "Return")
        assert app.windows() == [wid], f"{what}: windows after Close"
        assert_start_look(desktop, wid)
    assert "load path:" not in app.lines(), "a rejected file was loaded"

    open_with_panel(app, wid, books["red"])
    app.wait_title(wid, books["red_title"])
