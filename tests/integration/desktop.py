"""A private X desktop for the locker's integration tests and benchmark: Xvfb with two RandR
monitors side by side (the left one primary), a solid red root window and no window manager;
screenshots as raw pixels, synthetic input with xdotool, and a grab probe through libX11 (ctypes).
The plain Xvfb under it serves the manager's window test too."""
import ctypes
import ctypes.util
import os
import select
import subprocess
import time

from harness import stop_process, wait_for

WIDTH, HEIGHT = 2560, 1024
# (name, left, top, width, height); MonL is the primary monitor.
MONITORS = [("MonL", 0, 0, 1280, 1024), ("MonR", 1280, 0, 1280, 1024)]
RED = (255, 0, 0)


class Xvfb:
    """One Xvfb screen of `width` x `height` on a free display number, no window manager."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.proc = None
        self.display = None

    def start(self, timeout=20.0):
        """Starts Xvfb; it picks the display number and reports it through -displayfd."""
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{self.width}x{self.height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + timeout
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or self.proc.poll() is not None:
                    raise AssertionError("Xvfb did not report its display number")
                ready, _, _ = select.select([read_fd], [], [], left)
                if ready:
                    chunk = os.read(read_fd, 16)
                    if not chunk:
                        raise AssertionError("Xvfb closed its display pipe")
                    number += chunk
        finally:
            os.close(read_fd)
        self.display = ":" + number.decode().strip()
        return self

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        return env

    def run(self, *argv, check=True, timeout=20):
        return subprocess.run(list(argv), env=self.env(), check=check, timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def stop(self):
        if self.proc:
            stop_process(self.proc)


class Desktop(Xvfb):
    """The locker's desktop: the two MONITORS and a red root."""

    def __init__(self):
        super().__init__(WIDTH, HEIGHT)

    def start(self, timeout=20.0):
        super().start(timeout)
        # The left monitor takes the screen's output, so it is the primary one.
        l_name, l_x, l_y, l_w, l_h = MONITORS[0]
        r_name, r_x, r_y, r_w, r_h = MONITORS[1]
        self.run("xrandr", "--setmonitor", r_name, f"{r_w}/338x{r_h}/270+{r_x}+{r_y}", "none")
        self.run("xrandr", "--setmonitor", l_name, f"{l_w}/338x{l_h}/270+{l_x}+{l_y}", "screen")
        self.run("xrandr", "--output", "screen", "--primary")
        self.run("xsetroot", "-solid", "red")
        return self

    # --- Pixels ---

    def screenshot(self):
        """The whole root window as (width, height, rgb bytes)."""
        data = self.run("import", "-window", "root", "-depth", "8", "ppm:-").stdout
        return parse_ppm(data)

    def save_png(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.run("import", "-window", "root", path)
        return path

    def red_pixels(self, shot=None, rect=None):
        """How many pixels of the desktop (pure red) show, in `rect` (left, top, width, height) or
        everywhere."""
        width, height, rgb = shot or self.screenshot()
        left, top, w, h = rect or (0, 0, width, height)
        count = 0
        red = bytes(RED)
        for y in range(top, top + h):
            row = rgb[(y * width + left) * 3:(y * width + left + w) * 3]
            # Counting 3-byte groups: a match must start on a pixel boundary.
            start = row.find(red)
            while start != -1:
                if start % 3 == 0:
                    count += 1
                    start = row.find(red, start + 3)
                else:
                    start = row.find(red, start + 1)
        return count

    def monitor_red(self, shot=None):
        """Red pixels per monitor, in MONITORS order."""
        shot = shot or self.screenshot()
        return [self.red_pixels(shot, (x, y, w, h)) for _, x, y, w, h in MONITORS]

    def covered(self):
        """True when no pixel of the desktop shows on any monitor."""
        return all(n == 0 for n in self.monitor_red())

    def uncovered(self):
        """True when the whole desktop shows again."""
        width, height, rgb = self.screenshot()
        return rgb == bytes(RED) * (width * height)

    # --- Input ---

    def type_text(self, text):
        self.run("xdotool", "type", "--delay", "30", text)

    def key(self, *keys):
        self.run("xdotool", "key", *keys)

    def keyboard_grab_status(self):
        """What XGrabKeyboard answers to another client right now: 0 GrabSuccess, 1 AlreadyGrabbed,
        2 GrabInvalidTime, 3 GrabNotViewable, 4 GrabFrozen. A success is undone at once."""
        return XProbe(self.display).grab_keyboard()


def parse_ppm(data):
    """(width, height, rgb bytes) of a binary PPM (P6, maxval 255)."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise AssertionError(f"not an 8-bit PPM: {fields}")
    width, height = int(fields[1]), int(fields[2])
    rgb = data[pos + 1:pos + 1 + width * height * 3]
    if len(rgb) != width * height * 3:
        raise AssertionError("short PPM")
    return width, height, rgb


def load_x11():
    """libX11 through ctypes, with the prototypes every probe here needs: opening and closing a
    display and its root window. Callers declare the further functions they use."""
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x


class XProbe:
    """Another X client, through libX11 itself: asks for the keyboard grab on its root window."""

    def __init__(self, display):
        self.x = load_x11()
        self.x.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                         ctypes.c_int, ctypes.c_ulong]
        self.x.XUngrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = display.encode()

    def hold_keyboard(self):
        """Takes the keyboard grab and keeps it until release_keyboard(); returns the status."""
        self.held = self.x.XOpenDisplay(self.display)
        if not self.held:
            raise AssertionError("cannot open the display for the grab probe")
        status = self.x.XGrabKeyboard(self.held, self.x.XDefaultRootWindow(self.held), 1, 1, 1, 0)
        self.x.XSync(self.held, 0)
        return status

    def release_keyboard(self):
        if getattr(self, "held", None):
            self.x.XCloseDisplay(self.held)  # closing the connection ends its grab
            self.held = None

    def grab_keyboard(self):
        dpy = self.x.XOpenDisplay(self.display)
        if not dpy:
            raise AssertionError("cannot open the display for the grab probe")
        try:
            root = self.x.XDefaultRootWindow(dpy)
            status = self.x.XGrabKeyboard(dpy, root, 1, 1, 1, 0)  # GrabModeAsync, CurrentTime
            if status == 0:
                self.x.XUngrabKeyboard(dpy, 0)
            self.x.XSync(dpy, 0)
            return status
        finally:
            self.x.XCloseDisplay(dpy)


class IdleProbe:
    """The session's idle time as the X server's MIT-SCREEN-SAVER extension reports it (the same
    figure the locker reads), over a connection of its own."""

    class _Info(ctypes.Structure):
        _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                    ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong),
                    ("eventMask", ctypes.c_ulong)]

    def __init__(self, display):
        self.x = load_x11()
        self.xss = ctypes.CDLL(ctypes.util.find_library("Xss") or "libXss.so.1")
        self.xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                                   ctypes.POINTER(IdleProbe._Info)]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise AssertionError("cannot open the display for the idle probe")

    def idle_ms(self):
        info = IdleProbe._Info()
        if not self.xss.XScreenSaverQueryInfo(self.dpy, self.x.XDefaultRootWindow(self.dpy),
                                              ctypes.byref(info)):
            raise AssertionError("no MIT-SCREEN-SAVER extension")
        return info.idle

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None


def wait_covered(desktop, timeout=20.0):
    return wait_for(desktop.covered, timeout, interval=0.05, what="every monitor covered")


def wait_uncovered(desktop, timeout=20.0):
    return wait_for(desktop.uncovered, timeout, interval=0.05, what="the desktop to show again")


class PixelSampler:
    """Reads single pixels of the root window over one connection of its own (fast enough to time
    the lock: no program start per sample). Samples a grid on each monitor."""

    def __init__(self, display, per_axis=5):
        self.x = load_x11()
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XGetPixel.restype = ctypes.c_ulong
        self.x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise AssertionError("cannot open the display for sampling")
        self.root = self.x.XDefaultRootWindow(self.dpy)
        self.points = []
        for _, left, top, width, height in MONITORS:
            for i in range(per_axis):
                for j in range(per_axis):
                    self.points.append((left + (2 * i + 1) * width // (2 * per_axis),
                                        top + (2 * j + 1) * height // (2 * per_axis)))
        # The corners too: a cover one pixel short shows there first.
        for _, left, top, width, height in MONITORS:
            self.points += [(left, top), (left + width - 1, top), (left, top + height - 1),
                            (left + width - 1, top + height - 1)]

    def pixel(self, x, y):
        image = self.x.XGetImage(self.dpy, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise AssertionError("XGetImage failed")
        try:
            return self.x.XGetPixel(image, 0, 0) & 0xFFFFFF
        finally:
            self.x.XDestroyImage(image)

    def red_samples(self):
        return sum(1 for x, y in self.points if self.pixel(x, y) == 0xFF0000)

    def all_covered(self):
        return self.red_samples() == 0

    def all_desktop(self):
        return self.red_samples() == len(self.points)

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None


class _SetWindowAttributes(ctypes.Structure):
    _fields_ = [("background_pixmap", ctypes.c_ulong), ("background_pixel", ctypes.c_ulong),
                ("border_pixmap", ctypes.c_ulong), ("border_pixel", ctypes.c_ulong),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("colormap", ctypes.c_ulong), ("cursor", ctypes.c_ulong)]


class ForeignWindow:
    """A window of another program (a client of the test, through libX11): a solid `rgb` rectangle,
    override-redirect like a notification bubble, or a plain top-level window."""

    CW_BACK_PIXEL = 1 << 1
    CW_OVERRIDE_REDIRECT = 1 << 9

    def __init__(self, display, rect, rgb=0x00FF00, override_redirect=True):
        self.x = load_x11()
        x = self.x
        x.XCreateWindow.restype = ctypes.c_ulong
        x.XCreateWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                    ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_uint, ctypes.c_void_p,
                                    ctypes.c_ulong, ctypes.POINTER(_SetWindowAttributes)]
        for name in ("XMapRaised", "XRaiseWindow", "XUnmapWindow"):
            getattr(x, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise AssertionError("cannot open the display for the foreign window")
        attributes = _SetWindowAttributes()
        attributes.background_pixel = rgb
        attributes.override_redirect = 1 if override_redirect else 0
        left, top, width, height = rect
        self.window = x.XCreateWindow(self.dpy, x.XDefaultRootWindow(self.dpy), left, top, width, height, 0,
                                      0, 1, None, self.CW_BACK_PIXEL | self.CW_OVERRIDE_REDIRECT,
                                      ctypes.byref(attributes))  # depth and visual: CopyFromParent
        x.XSync(self.dpy, 0)

    def map_raised(self):
        self.x.XMapRaised(self.dpy, self.window)
        self.x.XSync(self.dpy, 0)

    def raise_(self):
        self.x.XRaiseWindow(self.dpy, self.window)
        self.x.XSync(self.dpy, 0)

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None
