"""Several windows, the window icon, and leaving the program."""
import os

from desktop import wait_until
from flipbooks import BLUE, RED
from helpers import open_with_panel, start_window, wait_pages


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(entry))
            except (OSError, IndexError, ValueError):
                continue
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def test_two_windows_read_two_flipbooks(desktop, launch, books):
    app = launch(books["red"])
    (first,) = app.wait_windows(1, timeout=30)
    app.wait_title(first, books["red_title"])
    desktop.focus(first)
    desktop.key("ctrl+n")
    second = app.wait_new_window([first])
    start_window_painted = wait_until("the second start page", lambda: desktop.title(second), 10)
    assert start_window_painted
    open_with_panel(app, second, books["blue"])
    app.wait_title(second, books["blue_title"])

    wait_pages(desktop, second, BLUE)
    wait_pages(desktop, first, RED)
    assert desktop.title(first) == books["red_title"]

    # Handing the first file over again reloads a reader of it; neither window
    # may take the other's book.
    app2 = launch(books["red"])
    app2.proc.wait(15)
    third = app.wait_new_window([first, second], timeout=20)
    app.wait_title(third, books["red_title"])
    wait_pages(desktop, third, RED)
    wait_pages(desktop, second, BLUE)
    desktop.screenshot(None, "two-flipbooks")


def test_closing_reader_restores_icon_and_ctrl_q_quits(desktop, launch, books):
    app = launch()
    first = start_window(app)
    app_icon = desktop.icon_bytes(first)
    assert desktop.has_icon(first), "start window has no icon"
    open_with_panel(app, first, books["red"])
    app.wait_title(first, books["red_title"])
    wait_until("the flipbook's icon", lambda: desktop.icon_bytes(first) != app_icon, 10)

    desktop.focus(first)
    desktop.key("ctrl+n")
    second = app.wait_new_window([first])
    desktop.focus(first)
    desktop.key("ctrl+w")
    wait_until("the reading window to close", lambda: first not in app.windows(), 10)
    assert desktop.icon_bytes(second) == app_icon, "application icon not restored"

    helpers = descendants(app.pid)
    assert app.quit() == 0
    left = [p for p in helpers if alive(p)]
    wait_until(f"helper processes {left} to end", lambda: not [p for p in helpers if alive(p)], 10)
