"""Starts brivane-reader in the test desktop and observes it from outside."""
import json
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

from desktop import SCREEN, Timeout, colour_share, distinct_colours, wait_until

SERVICE = "https://" + os.environ.get("BRIVANE_SERVICE_HOST", "brivane.example")
TOO_NEW_TEXT = "The selected file format is too new. Please, click yes to update the application now."
INVALID_TEXT = "The selected flipbook file has an invalid format and cannot be opened."


def stat(pid):
    """(command name, cut at 15, and the fields after it, state first) from /proc/pid/stat; None when the process is gone."""
    try:
        name, fields = Path(f"/proc/{pid}/stat").read_text().split(" (", 1)[1].rsplit(") ", 1)
    except (OSError, IndexError, ValueError):
        return None
    return name, fields.split()


def process_state(pid):
    """(state letter, parent pid) of a process, None when it is gone."""
    return (s := stat(pid)) and (s[1][0], int(s[1][1]))


def descendants(pid):
    """The living processes below pid."""
    procs = {int(p.name): s for p in Path("/proc").iterdir() if p.name.isdigit() and (s := process_state(p.name))}
    found, todo = [], [pid]
    while todo:
        parent = todo.pop()
        children = [c for c, (_, ppid) in procs.items() if ppid == parent]
        todo += children
        found += [c for c in children if procs[c][0] != "Z"]
    return found


def rss_mb(pid):
    """Resident memory of a process in MB, 0 when it is gone."""
    try:
        return int(re.search(r"VmRSS:\s+(\d+)", Path(f"/proc/{pid}/status").read_text())[1]) / 1024
    except (OSError, TypeError):
        return 0


def cpu_seconds(pid):
    """User and system CPU time a process has used so far."""
    return (int(s[1][11]) + int(s[1][12])) / os.sysconf("SC_CLK_TCK") if (s := stat(pid)) else 0


class ReaderApp:
    def __init__(self, desktop, binary, args=(), name="app", env=None):
        self.desktop, self.stdout_path, self.stderr_path = desktop, *(desktop.root / f"{name}.{s}" for s in ("stdout", "stderr"))
        self.proc = subprocess.Popen(
            [str(binary), *map(str, args)], env={**desktop.env, **(env or {})}, cwd=desktop.root,
            stdout=open(self.stdout_path, "w"), stderr=open(self.stderr_path, "w"), start_new_session=True)
        self.pid = self.proc.pid

    def lines(self):
        return self.stdout_path.read_text(errors="replace").splitlines()

    def web_processes(self):
        """The web content processes of this instance (not its network process)."""
        return [p for p in descendants(self.pid) if (s := stat(p)) and s[0].startswith("WebKitWebProc")]

    def _alive(self, what):
        if self.proc.poll() is not None:
            raise AssertionError(f"brivane-reader exited ({self.proc.returncode}) while waiting for {what}; "
                                 f"stderr: {self.stderr_path.read_text(errors='replace')[-2000:]}")

    def _wait(self, what, probe, timeout):
        return wait_until(what, lambda: self._alive(what) or probe(), timeout)

    def wait_line(self, text, timeout=15):
        return self._wait(f"stdout line {text!r}", lambda: text in self.lines(), timeout)

    def wait_drawn(self, timeout=30):
        """Until the reader page has drawn its own first page: the window shows page 1 natively before that."""
        return self._wait("the reader page drawn",
                          lambda: any(line.startswith("action.drawn ") for line in self.lines()), timeout)

    def windows(self):
        return self.desktop.windows(self.pid)

    def wait_windows(self, count, timeout=30):
        return self._wait(f"{count} window(s)", lambda: ws if len(ws := self.windows()) == count else None, timeout)

    def wait_new_window(self, known, timeout=15):
        return self._wait("a new window", lambda: [w for w in self.windows() if w not in known], timeout)[-1]

    def wait_title(self, wid, title, timeout=20):
        return wait_until(f"window title {title!r}", lambda: self.desktop.title(wid) == title, timeout)

    def focused_at(self, page=1, title=None):
        """The one window, focused, once its reader page says it is at page (and its title is title)."""
        (wid,) = self.wait_windows(1)
        if title:
            self.wait_title(wid, title)
        self.wait_line(f"action.position {page}", timeout=30)
        self.desktop.focus(wid)
        return wid

    def start_window(self):
        """The single start window, once its page has painted."""
        (wid,) = self.wait_windows(1)
        wait_until("the start page to paint", lambda: distinct_colours(self.desktop.pixels(wid, top=40)) > 12, 20)
        return wid

    def accessible(self):
        """The windows of this process as the accessibility tree shows them (see a11y_probe.py)."""
        out = subprocess.run([sys.executable, str(Path(__file__).with_name("a11y_probe.py")), str(self.pid)],
                             env=self.desktop.env, capture_output=True, text=True, timeout=30).stdout
        try:
            return json.loads(out or "[]")
        except json.JSONDecodeError:
            return []

    def alerts(self):
        return [w for w in self.accessible() if w["role"] in ("dialog", "alert")]

    def wait_alert(self, text, timeout=15):
        return self._wait(f"alert {text!r}", lambda: next((w for w in self.alerts() if text in w["texts"]), None),
                          timeout)

    def open_with_panel(self, wid, path):
        """Opens a file through the open panel, from the menu shortcut."""
        d, known = self.desktop, self.windows()
        d.focus(wid)
        d.key("ctrl+o")
        chooser = self.wait_new_window(known)
        d.focus(chooser)
        time.sleep(0.3)  # the chooser grabs focus for its own widgets once mapped
        d.key("ctrl+l")
        d.type(str(path))
        # The location entry's completion can swallow the first Return.
        for _ in range(4):
            d.key("Return")
            try:
                return wait_until("the open panel to close", lambda: chooser not in self.windows(), 2)
            except Timeout:
                d.focus(chooser)
        raise Timeout(f"the open panel did not accept {path}")

    def quit(self, timeout=15):
        # A search that meets a window being destroyed finds nothing: ask again.
        wid = self._wait("a window to quit from", lambda: self.windows(), 10)[0]
        self.desktop.focus(wid)
        self.desktop.key("ctrl+q")
        return self.wait_exit("Ctrl+Q", timeout)

    def wait_exit(self, why="its last window closed", timeout=15):
        wait_until(f"brivane-reader to end on {why}", lambda: self.proc.poll() is not None, timeout)
        return self.proc.returncode

    def kill(self):
        if self.proc.poll() is None:
            os.killpg(self.pid, signal.SIGKILL)
            self.proc.wait()


def assert_start_look(desktop, wid):
    (lo, hi), (width, height) = desktop.size_hints(wid), desktop.geometry(wid)
    assert width == 450 and 300 <= height <= 360, f"start window is {width}x{height}"
    assert lo and lo == hi, f"start window can be resized: min {lo}, max {hi}"


def menubar_height(desktop, binary):
    """The menu bar's height, read off a start window (its content is 300 high) of
    an instance of its own: later instances hand their work to the running one."""
    probe = ReaderApp(desktop, binary, (), name="menubar-probe")
    try:
        return desktop.geometry(probe.start_window())[1] - 300
    finally:
        probe.kill()


def assert_reading_look(desktop, wid):
    """The content below the menu bar, not the window, is the screen's size / 1.2."""
    width, height = desktop.geometry(wid)
    want_w, want_h = (side / 1.2 for side in SCREEN)
    content_h = height - desktop.menubar
    assert abs(width - want_w) <= 1 and abs(content_h - want_h) <= 1, \
        f"reading content is {width}x{content_h}, screen/1.2 is {want_w:.0f}x{want_h:.0f}"
    lo, hi = desktop.size_hints(wid)
    assert not (lo and lo == hi), f"reading window is not resizable: min {lo}, max {hi}"


def wait_pages(desktop, wid, rgb, share=0.04, timeout=20):
    """Waits until the window shows enough of a page colour to be its pages."""
    def probe():
        # Without a window manager, windows stack at the origin: show this one.
        desktop.run("xdotool", "windowraise", str(wid))
        return colour_share(desktop.pixels(wid), rgb) >= share
    return wait_until(f"pages coloured {rgb} on screen", probe, timeout)


def reader_window(app, title, rgb):
    """The one window of an app started with a file, once it shows that book."""
    (wid,) = app.wait_windows(1)
    app.wait_title(wid, title)
    wait_pages(app.desktop, wid, rgb)
    app.wait_drawn()
    return wid
