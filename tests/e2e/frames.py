"""Bursts of screen captures while something moves, and reading marked pages
off them: each page a colour of its own with a dark band along its left third,
so that a page drawn the wrong way round, or missing, shows in the pixels."""
import ctypes
import threading
import time

# Saturated colours far apart in hue: a page stays recognisable under the
# turn's shading. The band is the same hue, darker.
PAGE_COLOURS = [(225, 35, 35), (35, 175, 45), (40, 70, 230), (230, 170, 20), (200, 40, 200), (30, 180, 200)]
BAND = 0.35
# Shading darkens a body to no less than three quarters, and lifts a band to no more than a half.
BAND_BELOW = 0.6


class Screen:
    """Root window pixels through XGetImage: fast enough to grab every few milliseconds."""

    def __init__(self, display):
        x = self.x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.c_void_p
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        self.root = x.XDefaultRootWindow(self.dpy)

    def grab(self, x, y, w, h):
        """BGRX bytes of the area, rows packed."""
        image = self.x.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        # XImage starts with width, height, xoffset, format, then the data pointer; bytes_per_line is int 11.
        data = ctypes.cast(image, ctypes.POINTER(ctypes.c_void_p))[2]
        stride = ctypes.cast(image, ctypes.POINTER(ctypes.c_int))[11]
        raw = ctypes.string_at(data, stride * h)
        self.x.XFree(data)
        self.x.XFree(image)
        return raw if stride == 4 * w else b"".join(raw[r * stride:r * stride + 4 * w] for r in range(h))

    def close(self):
        self.x.XCloseDisplay(self.dpy)


class Burst:
    """Grabs areas over and over on a thread of its own; keeps each set of pictures that differs from the last."""

    def __init__(self, display, areas):
        self.screen, self.areas, self.frames = Screen(display), areas, []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _run(self):
        last = None
        while not self._stop.is_set():
            shot = [self.screen.grab(*area) for area in self.areas]
            if shot != last:
                self.frames.append((time.monotonic(), shot))
                last = shot
            time.sleep(0.002)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        self.screen.close()


def classify(b, g, r):
    """(page index, is band) of a pixel, None when it is no page colour (white, desk, an edge)."""
    top = max(r, g, b)
    if top < 30:
        return None
    best, index = 0.0, None
    for i, (pr, pg, pb) in enumerate(PAGE_COLOURS):
        # Shading darkens a page without changing its hue: compare directions, not values.
        dot = (r * pr + g * pg + b * pb) / ((r * r + g * g + b * b) * (pr * pr + pg * pg + pb * pb)) ** 0.5
        if dot > best:
            best, index = dot, i
    if best < 0.97:
        return None
    return index, top < max(PAGE_COLOURS[index]) * BAND_BELOW


def row(raw, width, y):
    """The classified pixels of row y of a BGRX picture width pixels wide."""
    start = 4 * width * y
    return [classify(*raw[i:i + 3]) for i in range(start, start + 4 * width, 4)]


def mirrored(pixels):
    """Pages whose band lies right of their body along a row (with enough of both to tell)."""
    found = []
    for page in {p[0] for p in pixels if p}:
        band = [x for x, p in enumerate(pixels) if p == (page, True)]
        body = [x for x, p in enumerate(pixels) if p == (page, False)]
        if len(band) >= 4 and len(body) >= 8 and sum(band) / len(band) > sum(body) / len(body):
            found.append(page)
    return found


def gaps(pixels, start, end, allowed=6):
    """Pixels in [start, end) that are no page colour, beyond `allowed` (edges blend two pages)."""
    missing = sum(1 for p in pixels[start:end] if p is None)
    return max(0, missing - allowed)
