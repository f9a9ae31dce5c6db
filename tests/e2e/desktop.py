"""A private X11 desktop for driving the reader: Xvfb with a window manager, a
session bus, fresh HOME/TMPDIR/XDG directories and a recording default handler
for addresses."""
import os
import re
import shutil
import signal
import subprocess
import time
from pathlib import Path

SCREEN = (1600, 1000)
HANDLED_TYPES = ["x-scheme-handler/http", "x-scheme-handler/https",
                 "x-scheme-handler/mailto", "application/pdf"]


class Timeout(AssertionError):
    """A condition did not come about in time."""


def wait_until(what, probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns something truthy; fails naming what."""
    deadline = time.monotonic() + timeout
    while not (value := probe()):
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout:.0f}s waiting for {what}")
        time.sleep(interval)
    return value


class Desktop:
    def __init__(self, root: Path, artifacts: Path):
        self.root, self.artifacts, self._procs = root, artifacts, []
        dirs = {n: root / n for n in ("home", "tmp", "data", "config", "cache", "runtime")}
        for d in dirs.values():
            d.mkdir(parents=True, exist_ok=True)
        dirs["runtime"].chmod(0o700)
        self.tmpdir = dirs["tmp"]
        keep = ("PATH", "LANG", "ASAN_OPTIONS", "UBSAN_OPTIONS", "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS")
        self.env = {k: os.environ[k] for k in keep if k in os.environ}
        self.env.update(
            HOME=str(dirs["home"]), TMPDIR=str(dirs["tmp"]),
            XDG_DATA_HOME=str(dirs["data"]), XDG_CONFIG_HOME=str(dirs["config"]),
            XDG_CACHE_HOME=str(dirs["cache"]), XDG_RUNTIME_DIR=str(dirs["runtime"]),
            XDG_DATA_DIRS="/usr/local/share:/usr/share", GDK_BACKEND="x11", GSETTINGS_BACKEND="memory",
            # No renderer variables: the program picks its renderer as it does for users.
            LC_ALL="C.UTF-8", GTK_A11Y="atspi")
        try:
            self._start_x()
            self._start_window_manager()
            # dbus-run-session ends the bus when its child (the sleep) ends.
            bus = self._spawn(["dbus-run-session", "--", "sh", "-c",
                               'echo "$DBUS_SESSION_BUS_ADDRESS"; exec sleep 100000'],
                              stdout=subprocess.PIPE, text=True)
            self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
            assert self.env["DBUS_SESSION_BUS_ADDRESS"], "no session bus"
            self._install_handler()
        except BaseException:
            # A desktop that never came up must not leave its servers running.
            self.close()
            raise

    def _spawn(self, args, **kw):
        p = subprocess.Popen(args, env=self.env, start_new_session=True, **kw)
        self._procs.append(p)
        return p

    def _start_x(self):
        # The server picks a free number itself and says which: a number that
        # merely looks free may still belong to a server that is shutting down.
        read, write = os.pipe()
        # -noreset: a server that resets as its last client leaves refuses the next one meanwhile.
        p = self._spawn(["Xvfb", "-displayfd", str(write), "-noreset", "-nolisten", "tcp", "-screen", "0",
                         f"{SCREEN[0]}x{SCREEN[1]}x24"], stderr=subprocess.DEVNULL, pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as told:
            number = told.readline().strip()
        assert number.isdigit() and p.poll() is None, "Xvfb did not start"
        self.env["DISPLAY"] = f":{number}"
        wait_until("Xvfb to accept connections", lambda: p.poll() is not None or subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTED"], env=self.env, capture_output=True).returncode == 0, 15, 0.1)
        assert p.poll() is None, f"Xvfb :{number} did not start"

    def _start_window_manager(self):
        # Users always have one: it maps, sizes and moves windows as they ask,
        # which a bare X server does only in part.
        log = self.root / "openbox.log"
        p = self._spawn(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=open(log, "w"))
        wait_until("the window manager", lambda: p.poll() is not None or "window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, capture_output=True, text=True).stdout, 15, 0.1)
        assert p.poll() is None, f"openbox did not start ({p.returncode}): {log.read_text()[-400:]}"

    def _install_handler(self):
        (apps := Path(self.env["XDG_DATA_HOME"]) / "applications").mkdir()
        script = self.root / "record-address.sh"
        script.write_text('#!/bin/sh\nprintf "%s\\n" "$1" >> "$0.log"\n')
        script.chmod(0o755)
        self.handler_log = Path(str(script) + ".log")
        (apps / "e2e-recorder.desktop").write_text(
            "[Desktop Entry]\nType=Application\nName=Address recorder\n"
            f"Exec={script} %u\nMimeType={';'.join(HANDLED_TYPES)};\nNoDisplay=true\n")
        (Path(self.env["XDG_CONFIG_HOME"]) / "mimeapps.list").write_text(
            "[Default Applications]\n" + "".join(f"{t}=e2e-recorder.desktop\n" for t in HANDLED_TYPES))
        # Proves the environment hands addresses to the recorder at all.
        subprocess.run(["gio", "open", "https://recorder.invalid/probe"], env=self.env, check=True, timeout=20)
        self.wait_opened("https://recorder.invalid/probe")
        self.handler_log.unlink()

    def close(self):
        for p in reversed(self._procs):
            for sig in (signal.SIGTERM, signal.SIGKILL):
                if p.poll() is None:
                    os.killpg(p.pid, sig)
                    try:
                        p.wait(5)
                    except subprocess.TimeoutExpired:
                        pass

    def opened(self):  # addresses handed to the system so far
        return self.handler_log.read_text().splitlines() if self.handler_log.exists() else []

    def wait_opened(self, address, timeout=10):
        return wait_until(f"{address} handed to the system", lambda: address in self.opened(), timeout)

    def run(self, *args, check=False):
        return subprocess.run(args, env=self.env, check=check, timeout=30,
                              capture_output=True, text=True).stdout

    def windows(self, pid):
        out = self.run("xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid), "--name", "")
        return [int(w) for w in out.split()]

    def title(self, wid):
        m = re.search(r'= "(.*)"', self.run("xprop", "-id", str(wid), "-notype", "_NET_WM_NAME"))
        return re.sub(r'\\(.)', r'\1', m.group(1)) if m else ""

    def size_hints(self, wid):  # (min, max) sizes from WM_NORMAL_HINTS, either None when absent
        out = self.run("xprop", "-id", str(wid), "WM_NORMAL_HINTS")
        return tuple((m := re.search(rf"{kind} size: (\d+) by (\d+)", out)) and (int(m[1]), int(m[2]))
                     for kind in ("minimum", "maximum"))

    def geometry(self, wid):  # (width, height)
        out = self.run("xwininfo", "-id", str(wid))
        return tuple(int(re.search(rf"{k}:\s+(\d+)", out)[1]) for k in ("Width", "Height"))

    def icon(self, wid):  # the window's _NET_WM_ICON, or None
        out = self.run("xprop", "-id", str(wid), "_NET_WM_ICON")
        return out if "=" in out and "not found" not in out else None

    def focus(self, wid):
        self.run("xdotool", "windowraise", str(wid))
        self.run("xdotool", "windowfocus", "--sync", str(wid))

    def key(self, *keys):
        self.run("xdotool", "key", "--clearmodifiers", "--delay", "60", *keys, check=True)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "15", text, check=True)

    def click(self, wid, x, y):
        self.run("xdotool", "mousemove", "--window", str(wid), str(x), str(y), "click", "1", check=True)

    def clipboard(self):
        return self.run("xclip", "-o", "-selection", "clipboard")

    def screenshot(self, wid, name):
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.run("import", "-window", str(wid) if wid else "root", str(self.artifacts / f"{name}.png"), check=True)

    def pixels(self, wid, top=0):
        """The rgb bytes of a window as it is on screen now, from row top down (to leave out the menu bar)."""
        raw = subprocess.run(["import", "-window", str(wid), "-depth", "8", "rgb:-"],
                             env=self.env, check=True, capture_output=True, timeout=30).stdout
        return raw[3 * self.geometry(wid)[0] * top:]


def near(pixel, rgb, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, rgb))


def colour_share(raw, rgb, tolerance=40):
    """Share of pixels within tolerance of an rgb colour (every 7th pixel is plenty for large areas)."""
    samples = [raw[i:i + 3] for i in range(0, len(raw) - 2, 21)]
    return sum(near(p, rgb, tolerance) for p in samples) / max(len(samples), 1)


def distinct_colours(raw, limit=64):
    return min(len({raw[i:i + 3] for i in range(0, len(raw) - 2, 9)}), limit)


def tool_missing():
    return next((t for t in ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "import", "dbus-run-session", "gio")
                 if not shutil.which(t)), None)
