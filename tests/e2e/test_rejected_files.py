"""Files the check rejects: the alerts, their buttons, and what stays on screen."""
import time

import pytest

from desktop import wait_until
from reader_app import INVALID_TEXT, SERVICE, TOO_NEW_TEXT, assert_start_look


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
