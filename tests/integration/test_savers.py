"""Screen savers of the real brivak3 on a private two-monitor X desktop: with idleDelay 2 during a
lock, a real XScreenSaver hack runs with "-window-id" in a window of ours on every monitor, every
monitor stays covered while it draws, and a key ends it and leaves the focus in the unlock box;
the search wrote screensavers.dat with the built-in "Blank Screen"; the start-up saver is the
blank screen when no saver is set; "/p" paints its preview until the window is gone."""
import os
import time
import unittest

import ctypes

from desktop import Desktop, load_x11
from harness import Sandbox, wait_for
from locked_desktop import LockedDesktopTest, locker_settings

PASSWORD = "Saver pass 9"
HACK = "/usr/libexec/xscreensaver/popsquares"  # blue and black squares: never the desktop's red


def hack_processes():
    """(pid, argv) of every running copy of the hack."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                argv = [a.decode() for a in f.read().split(b"\0") if a]
        except OSError:
            continue
        if argv and argv[0] == HACK:
            found.append((int(pid), argv))
    return found


class ScreenSaverTest(LockedDesktopTest):
    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(
            PASSWORD, Security={"idleLock": "0"},
            ScreenSavers={"defaultSaver": HACK, "runSaverOnIdle": "1", "idleDelay": "2", "loadSaverOnStartup": "0"}))
        self.sampler = self.pixel_sampler()

    def test_idle_saver_covers_every_monitor_and_a_key_ends_it_into_the_unlock_box(self):
        self.assertTrue(os.access(HACK, os.X_OK), "xscreensaver-data provides the hack")
        proc = self.box.start_locker()
        wait_for(self.sampler.all_covered, 30, what="the lock")

        hacks = wait_for(lambda: len(hack_processes()) == 2 and hack_processes(), 15,
                         what="one hack per monitor")
        for _, argv in hacks:
            self.assertEqual(len(argv), 3, argv)
            self.assertEqual(argv[1], "-window-id")
            self.assertTrue(argv[2].startswith("0x"), argv)
        self.box.wait_log("Screensaver launched after 2 seconds of idle")

        # The hack draws (a pixel neither black nor red on each monitor) and nothing of the desktop shows.
        def drawing():
            pixels = [self.sampler.pixel(x, y) for x, y in self.sampler.points]
            return any(p not in (0, 0xFF0000) for p in pixels)
        wait_for(drawing, 10, what="the hack's first frames")
        for _ in range(5):
            self.assertTrue(self.sampler.all_covered(), "the saver keeps every monitor covered")
        self.assertEqual(self.desktop.monitor_red(), [0, 0])
        build = os.environ.get("BRIVAK_BUILD_DIR") or os.path.dirname(os.environ["BRIVAK3"])
        self.desktop.save_png(os.path.join(build, "screenshots", "screensaver.png"))

        # A key ends the saver; the unlock box has the focus, so typing unlocks.
        self.desktop.key("shift")
        wait_for(lambda: not hack_processes(), 10, what="the hack to end")
        self.assertTrue(self.sampler.all_covered())
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(self.sampler.all_desktop, 15, what="the unlock")

        with open(os.path.join(self.box.app_data, "screensavers.dat"), encoding="utf-8", newline="") as f:
            listed = f.read()
        self.assertIn("Blank Screen=", listed)
        self.assertIn("=" + HACK + "\r\n", listed)
        self.assertNotIn("xscreensaver-getimage", listed)
        self.assertIsNone(proc.poll())

    def saver_windows(self):
        out = self.desktop.run("xdotool", "search", "--onlyvisible", "--name", "Brivak screen saver", check=False)
        return out.stdout.split() if out.returncode == 0 else []

    def test_start_up_saver_is_the_blank_screen_when_no_saver_is_set(self):
        self.box.write_registry(locker_settings(
            PASSWORD, Security={"idleLock": "0"},
            ScreenSavers={"defaultSaver": "", "loadSaverOnStartup": "1", "runSaverOnIdle": "0"}))
        self.box.start_locker()
        wait_for(self.sampler.all_covered, 30, what="the lock")
        wait_for(lambda: len(self.saver_windows()) == 2, 10, what="a blank saver window on each monitor")
        self.assertEqual(hack_processes(), [])
        # Black everywhere: the blank saver lies above the lock screen on both monitors.
        _, _, rgb = self.desktop.screenshot()
        self.assertEqual(set(rgb), {0})
        self.desktop.key("shift")
        wait_for(lambda: not self.saver_windows(), 10, what="the saver to end")
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(self.sampler.all_desktop, 15, what="the unlock")


class PreviewWindow:
    """A plain window of another client, as a screen-saver settings dialog would give for "/p"."""

    def __init__(self, display, width=200, height=120):
        self.x = load_x11()
        x = self.x
        x.XCreateSimpleWindow.restype = ctypes.c_ulong
        x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                          ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                          ctypes.c_ulong]
        x.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XGetImage.restype = ctypes.c_void_p
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XGetPixel.restype = ctypes.c_ulong
        x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.width, self.height = width, height
        self.dpy = x.XOpenDisplay(display.encode())
        root = x.XDefaultRootWindow(self.dpy)
        # White background, so the black band and the green text stand out.
        self.window = x.XCreateSimpleWindow(self.dpy, root, 10, 10, width, height, 0, 0, 0xFFFFFF)
        x.XMapRaised(self.dpy, self.window)
        x.XSync(self.dpy, 0)

    def pixels(self):
        image = self.x.XGetImage(self.dpy, self.window, 0, 0, self.width, self.height, 0xFFFFFFFF, 2)
        try:
            return {(px, py): self.x.XGetPixel(image, px, py) & 0xFFFFFF
                    for px in range(self.width) for py in range(self.height)}
        finally:
            self.x.XDestroyImage(image)

    def destroy(self):
        if self.window:
            self.x.XDestroyWindow(self.dpy, self.window)
            self.x.XSync(self.dpy, 0)
            self.window = None

    def close(self):
        self.destroy()
        self.x.XCloseDisplay(self.dpy)


class PreviewTest(unittest.TestCase):
    def test_slash_p_paints_the_band_until_the_window_is_gone(self):
        desktop = Desktop().start()
        self.addCleanup(desktop.stop)
        box = Sandbox(display=desktop.display)
        self.addCleanup(box.close)
        window = PreviewWindow(desktop.display)
        self.addCleanup(window.close)
        started = time.monotonic()
        proc = box.start("/p", str(window.window))

        def painted():
            pixels = window.pixels()
            green = [y for (x, y), p in pixels.items() if p == 0x00FF00]
            band = all(pixels[(x, 50)] in (0, 0x00FF00) for x in range(window.width))
            return green and band and min(green) >= 43 and max(green) < 65 and pixels[(5, 20)] == 0xFFFFFF
        wait_for(painted, 10, what="the band with the green text")
        self.first_frame = time.monotonic() - started
        self.assertIsNone(proc.poll(), "it paints until the window is gone")

        window.destroy()
        proc.wait(timeout=10)
        self.assertEqual(proc.returncode, 0, box.output(proc))


if __name__ == "__main__":
    unittest.main()
