"""Steps shared by the scenarios."""
from pathlib import Path

from desktop import SCREEN, colour_share, distinct_colours, wait_until


def start_window(app):
    """The single start window, once its page has painted."""
    (wid,) = app.wait_windows(1)
    wait_until("the start page to paint",
               lambda: distinct_colours(app.desktop.pixels(wid, top=40)[2]) > 12, 20)
    return wid


def assert_start_look(desktop, wid):
    lo, hi = desktop.size_hints(wid)
    _, _, width, height = desktop.geometry(wid)
    assert width == 450 and 300 <= height <= 360, f"start window is {width}x{height}"
    assert lo and lo == hi, f"start window can be resized: min {lo}, max {hi}"


def assert_reading_look(desktop, wid):
    _, _, width, height = desktop.geometry(wid)
    want_w, want_h = SCREEN[0] / 1.2, SCREEN[1] / 1.2
    assert abs(width - want_w) <= 2 and want_h - 2 <= height <= want_h + 40, \
        f"reading window is {width}x{height}, screen/1.2 is {want_w:.0f}x{want_h:.0f}"
    assert desktop.resizable(wid), f"reading window is not resizable: {desktop.size_hints(wid)}"


def wait_pages(desktop, wid, rgb, share=0.04, timeout=20):
    """Waits until the window shows enough of a page colour to be its pages."""
    return wait_until(f"pages coloured {rgb} on screen", lambda: colour_share(
        _raised_pixels(desktop, wid), rgb) >= share, timeout)


def _raised_pixels(desktop, wid):
    # Without a window manager, windows stack at the origin: show this one.
    desktop.run("xdotool", "windowraise", str(wid), check=False)
    return desktop.pixels(wid)[2]


def open_with_panel(app, wid, path, how="ctrl+o"):
    """Opens a file through the open panel, started by the start page's button
    (focused when the page loads) or by the menu shortcut."""
    desktop = app.desktop
    known = app.windows()
    desktop.focus(wid)
    desktop.key("Return" if how == "button" else "ctrl+o")
    app.choose_file(known, path)


def workspaces(desktop, stem):
    return [p for p in Path(desktop.tmpdir).rglob(f"{stem}-*") if (p / "data").is_dir()]
