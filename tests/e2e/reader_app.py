"""Starts brivane-reader in the test desktop and observes it from outside."""
import json
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

from desktop import Timeout, wait_until

HERE = Path(__file__).resolve().parent
SERVICE = "https://" + os.environ.get("BRIVANE_SERVICE_HOST", "brivane.example")
TOO_NEW_TEXT = ("The selected file format is too new. "
                "Please, click yes to update the application now.")
INVALID_TEXT = "The selected flipbook file has an invalid format and cannot be opened."


class ReaderApp:
    def __init__(self, desktop, binary, args=(), name="app"):
        self.desktop = desktop
        self.stdout_path = desktop.root / f"{name}.stdout"
        self.stderr_path = desktop.root / f"{name}.stderr"
        self.proc = subprocess.Popen(
            [str(binary), *map(str, args)], env=desktop.env, cwd=desktop.root,
            stdout=open(self.stdout_path, "w"), stderr=open(self.stderr_path, "w"),
            start_new_session=True)
        self.started = time.monotonic()

    @property
    def pid(self):
        return self.proc.pid

    # -- standard output ----------------------------------------------------------
    def lines(self):
        return self.stdout_path.read_text(errors="replace").splitlines()

    def wait_line(self, text, timeout=15, after=0):
        """Waits for a line equal to text (or starting with it when it ends in '*')."""
        def probe():
            for i, line in enumerate(self.lines()[after:], after):
                if line == text or (text.endswith("*") and line.startswith(text[:-1])):
                    return (i, line)
            self._check_alive(f"line {text!r}")
            return None
        return wait_until(f"stdout line {text!r}", probe, timeout)

    def _check_alive(self, what):
        if self.proc.poll() is not None:
            raise AssertionError(
                f"brivane-reader exited ({self.proc.returncode}) while waiting for {what}; "
                f"stderr: {self.stderr_path.read_text(errors='replace')[-2000:]}")

    # -- windows --------------------------------------------------------------------
    def windows(self):
        return self.desktop.windows(self.pid)

    def wait_windows(self, count, timeout=20):
        def probe():
            self._check_alive(f"{count} window(s)")
            ws = self.windows()
            return ws if len(ws) == count else None
        return wait_until(f"{count} visible window(s)", probe, timeout)

    def wait_new_window(self, known, timeout=15):
        def probe():
            self._check_alive("a new window")
            return [w for w in self.windows() if w not in known]
        new = wait_until("a new window", probe, timeout)
        return new[-1]

    def wait_title(self, wid, title, timeout=20):
        return wait_until(f"window title {title!r}",
                          lambda: self.desktop.title(wid) == title, timeout)

    # -- dialogs through the accessibility tree ---------------------------------------
    def a11y_windows(self):
        out = subprocess.run([sys.executable, str(HERE / "a11y_probe.py"), str(self.pid)],
                             env=self.desktop.env, capture_output=True, text=True, timeout=30)
        try:
            return json.loads(out.stdout or "[]")
        except json.JSONDecodeError:
            return []

    def wait_alert(self, text, timeout=15):
        def probe():
            self._check_alive("an alert")
            for w in self.a11y_windows():
                if w["role"] in ("dialog", "alert") and text in w["texts"]:
                    return w
            return None
        return wait_until(f"alert {text!r}", probe, timeout)

    def alerts(self):
        return [w for w in self.a11y_windows() if w["role"] in ("dialog", "alert")]

    # -- user actions ---------------------------------------------------------------------
    def choose_file(self, known, path):
        """Types a path into the open panel that has just appeared over known windows."""
        chooser = self.wait_new_window(known)
        d = self.desktop
        d.focus(chooser)
        time.sleep(0.3)  # the chooser grabs focus for its own widgets once mapped
        d.key("ctrl+l")
        d.type(str(path))
        # The location entry's completion can swallow the first Return.
        for _ in range(4):
            d.key("Return")
            try:
                wait_until("the open panel to close", lambda: chooser not in self.windows(), 2)
                return
            except Timeout:
                d.focus(chooser)
        raise Timeout(f"the open panel did not accept {path}")

    def quit(self, timeout=15):
        if self.proc.poll() is None:
            ws = self.windows()
            if ws:
                self.desktop.focus(ws[0])
                self.desktop.key("ctrl+q")
            try:
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                raise Timeout("brivane-reader did not quit on Ctrl+Q")
        return self.proc.returncode

    def kill(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
