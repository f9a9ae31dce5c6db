"""A private X11 desktop for driving the reader: Xvfb, a session bus, fresh
HOME/TMPDIR/XDG directories and a recording default handler for addresses."""
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
    pass


def wait_until(what, probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns something truthy; fails naming what."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout:.0f}s waiting for {what}")
        time.sleep(interval)


class Desktop:
    def __init__(self, root: Path, artifacts: Path):
        self.root = root
        self.artifacts = artifacts
        self.handler_log = root / "opened-addresses.log"
        self._procs = []
        self.env = self._make_env()
        self._start_x()
        self._start_bus()
        self._install_handler()

    # -- set-up -------------------------------------------------------------
    def _make_env(self):
        dirs = {name: self.root / name for name in
                ("home", "tmp", "data", "config", "cache", "runtime")}
        for d in dirs.values():
            d.mkdir(parents=True, exist_ok=True)
        dirs["runtime"].chmod(0o700)
        keep = ("PATH", "LANG", "LC_ALL", "ASAN_OPTIONS", "UBSAN_OPTIONS")
        env = {k: os.environ[k] for k in keep if k in os.environ}
        env.update(
            HOME=str(dirs["home"]), TMPDIR=str(dirs["tmp"]),
            XDG_DATA_HOME=str(dirs["data"]), XDG_CONFIG_HOME=str(dirs["config"]),
            XDG_CACHE_HOME=str(dirs["cache"]), XDG_RUNTIME_DIR=str(dirs["runtime"]),
            XDG_DATA_DIRS="/usr/local/share:/usr/share",
            GDK_BACKEND="x11", GSETTINGS_BACKEND="memory",
            # Software GL: Xvfb has no GPU and blank web views follow otherwise.
            LIBGL_ALWAYS_SOFTWARE="1",
            # GTK's GL renderer on llvmpipe costs seconds per window here.
            GSK_RENDERER="cairo", LC_ALL="C.UTF-8",
            # Web views paint seconds sooner without DMA-BUF sharing on Xvfb.
            WEBKIT_DISABLE_DMABUF_RENDERER="1",
            GTK_A11Y="atspi",
        )
        if "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS" in os.environ:
            env["WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"] = "1"
        self.tmpdir = dirs["tmp"]
        return env

    def _spawn(self, args, **kw):
        p = subprocess.Popen(args, env=self.env, start_new_session=True, **kw)
        self._procs.append(p)
        return p

    def _start_x(self):
        # Away from :0 and its neighbours: a server still shutting down there
        # removes the socket of one that has just started on the same number.
        for number in range(90 + os.getpid() % 50, 400):
            if not (Path(f"/tmp/.X{number}-lock").exists()
                    or Path(f"/tmp/.X11-unix/X{number}").exists()):
                break
        p = self._spawn(["Xvfb", f":{number}", "-nolisten", "tcp",
                         "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24"],
                        stderr=subprocess.DEVNULL)
        self.env["DISPLAY"] = f":{number}"
        wait_until("Xvfb to accept connections", lambda: p.poll() is not None or subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTED"], env=self.env, capture_output=True).returncode == 0,
            15, 0.1)
        if p.poll() is not None:
            raise RuntimeError(f"Xvfb :{number} did not start")

    def _start_bus(self):
        # dbus-run-session ends the bus when its child (the sleep) ends.
        p = self._spawn(["dbus-run-session", "--", "sh", "-c",
                         'echo "$DBUS_SESSION_BUS_ADDRESS"; exec sleep 100000'],
                        stdout=subprocess.PIPE, text=True)
        address = p.stdout.readline().strip()
        if not address:
            raise RuntimeError("no session bus")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def _install_handler(self):
        apps = Path(self.env["XDG_DATA_HOME"]) / "applications"
        apps.mkdir(parents=True, exist_ok=True)
        script = self.root / "record-address.sh"
        script.write_text('#!/bin/sh\nprintf "%s\\n" "$1" >> "$0.log"\n')
        script.chmod(0o755)
        self.handler_log = Path(str(script) + ".log")
        (apps / "e2e-recorder.desktop").write_text(
            "[Desktop Entry]\nType=Application\nName=Address recorder\n"
            f"Exec={script} %u\nMimeType={';'.join(HANDLED_TYPES)};\nNoDisplay=true\n")
        defaults = "".join(f"{t}=e2e-recorder.desktop\n" for t in HANDLED_TYPES)
        (Path(self.env["XDG_CONFIG_HOME"]) / "mimeapps.list").write_text(
            "[Default Applications]\n" + defaults)
        # Proves the environment hands addresses to the recorder at all.
        probe = "https://recorder.invalid/probe"
        subprocess.run(["gio", "open", probe], env=self.env, check=True, timeout=20)
        wait_until("the recorder to log gio open", lambda: probe in self.opened())
        self.handler_log.unlink()

    def close(self):
        for p in reversed(self._procs):
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGTERM)
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()

    # -- addresses handed to the system ---------------------------------------
    def opened(self):
        try:
            return self.handler_log.read_text().splitlines()
        except FileNotFoundError:
            return []

    def wait_opened(self, address, timeout=10):
        return wait_until(f"{address} handed to the system",
                          lambda: address in self.opened(), timeout)

    # -- X11 facts --------------------------------------------------------------
    def run(self, *args, check=True):
        return subprocess.run(args, env=self.env, check=check, timeout=30,
                              capture_output=True, text=True).stdout

    def windows(self, pid):
        out = self.run("xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
                       "--name", "", check=False)
        return [int(w) for w in out.split()]

    def title(self, wid):
        out = self.run("xprop", "-id", str(wid), "-notype", "_NET_WM_NAME", check=False)
        m = re.search(r'= "(.*)"', out)
        return re.sub(r'\\(.)', r'\1', m.group(1)) if m else ""

    def size_hints(self, wid):
        """(min, max) sizes from WM_NORMAL_HINTS, either None when absent."""
        out = self.run("xprop", "-id", str(wid), "WM_NORMAL_HINTS", check=False)

        def size(kind):
            m = re.search(rf"{kind} size: (\d+) by (\d+)", out)
            return (int(m.group(1)), int(m.group(2))) if m else None
        return size("minimum"), size("maximum")

    def resizable(self, wid):
        lo, hi = self.size_hints(wid)
        return not (lo and hi and lo == hi)

    def geometry(self, wid):
        out = self.run("xwininfo", "-id", str(wid), check=False)
        values = {k: int(v) for k, v in re.findall(
            r"(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)", out)}
        return (values.get("Absolute upper-left X", 0), values.get("Absolute upper-left Y", 0),
                values.get("Width", 0), values.get("Height", 0))

    def has_icon(self, wid):
        out = self.run("xprop", "-id", str(wid), "_NET_WM_ICON", check=False)
        return "not found" not in out and "=" in out

    def icon_bytes(self, wid):
        return self.run("xprop", "-id", str(wid), "_NET_WM_ICON", check=False)

    # -- input --------------------------------------------------------------------
    def focus(self, wid):
        self.run("xdotool", "windowraise", str(wid), check=False)
        self.run("xdotool", "windowfocus", "--sync", str(wid), check=False)

    def key(self, *keys):
        self.run("xdotool", "key", "--clearmodifiers", "--delay", "60", *keys)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "15", text)

    def click(self, wid, x, y):
        self.run("xdotool", "mousemove", "--window", str(wid), str(x), str(y),
                 "click", "1")

    # -- pixels ---------------------------------------------------------------------
    def screenshot(self, wid, name):
        self.artifacts.mkdir(parents=True, exist_ok=True)
        path = self.artifacts / f"{name}.png"
        self.run("import", "-window", str(wid) if wid else "root", str(path))
        return path

    def pixels(self, wid, top=0):
        """(width, height, rgb bytes) of a window as it is on screen now, from
        row top down (to leave out the menu bar)."""
        _, _, w, h = self.geometry(wid)
        raw = subprocess.run(["import", "-window", str(wid), "-depth", "8", "rgb:-"],
                             env=self.env, check=True, capture_output=True, timeout=30).stdout
        return w, h - top, raw[3 * w * top:]


def colour_share(raw, rgb, tolerance=40):
    """Share of pixels within tolerance of an rgb colour (sampled)."""
    step = 3 * 7  # every 7th pixel is plenty for large areas
    hits = total = 0
    for i in range(0, len(raw) - 2, step):
        total += 1
        if all(abs(raw[i + k] - rgb[k]) <= tolerance for k in range(3)):
            hits += 1
    return hits / max(total, 1)


def distinct_colours(raw, limit=64):
    seen = set()
    for i in range(0, len(raw) - 2, 3 * 3):
        seen.add(raw[i:i + 3])
        if len(seen) >= limit:
            break
    return len(seen)


def tool_missing():
    for tool in ("Xvfb", "xdotool", "xprop", "xwininfo", "import", "dbus-run-session", "gio"):
        if not shutil.which(tool):
            return tool
    return None
