"""While locked, nothing of another program draws above the lock: a foreign window mapped or
raised during the lock (an override-redirect bubble as much as a plain window, on either monitor)
is covered again at once. Runs on the private two-monitor Xvfb."""
import os
import shutil
import statistics
import time
import unittest

from desktop import MONITORS, Desktop, ForeignWindow, PixelSampler, XProbe, wait_covered, wait_uncovered
from harness import Sandbox, sha1_hex, wait_for

PASSWORD = "Open sesame 1"
ALREADY_GRABBED = 1
GREEN = 0x00FF00
SOURCE_LAYOUTS = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                               "layouts"))


class KeptInFrontTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop().start()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()

    def setUp(self):
        wait_uncovered(self.desktop)
        self.box = Sandbox(display=self.desktop.display)
        self.addCleanup(self.box.close)
        shutil.copytree(SOURCE_LAYOUTS, os.path.join(self.box.bin_dir, "layouts"))
        self.box.write_registry({
            "Settings": {"firstRun": "0"},
            "Security": {"passwordHash": sha1_hex(PASSWORD), "multiUser": "0", "MasterIP": "127.0.0.1"},
            "General": {"LayoutMode": "0"},
            "Logging": {"DoLog": "1"},
        })
        self.sampler = PixelSampler(self.desktop.display)
        self.addCleanup(self.sampler.close)

    def test_a_foreign_window_mapped_or_raised_during_the_lock_is_covered_again(self):
        proc = self.box.start_locker()
        wait_covered(self.desktop, timeout=30)
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10, what="the lock's grab")
        times = []
        # (monitor index, override-redirect): a bubble and a plain window on each monitor.
        cases = [(0, True), (1, True), (0, False), (1, False)] * 3
        for monitor, override in cases:
            _, left, top, width, height = MONITORS[monitor]
            rect = (left + width // 4, top + height // 4, width // 2, height // 2)
            center = (rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)
            window = ForeignWindow(self.desktop.display, rect, GREEN, override_redirect=override)
            self.addCleanup(window.close)
            start = time.monotonic()
            window.map_raised()
            # The lock answers within 100 ms: the pixel shows no foreign colour after that.
            wait_for(lambda: self.sampler.pixel(*center) != GREEN, 0.1, interval=0.001,
                     what=f"the lock above a foreign window on monitor {monitor} (override-redirect {override})")
            times.append(time.monotonic() - start)
            # Raised again later: the same answer.
            window.raise_()
            wait_for(lambda: self.sampler.pixel(*center) != GREEN, 0.1, interval=0.001, what="the lock above a raise")
            window.close()
        self.assertTrue(self.sampler.all_covered(), "no pixel of the desktop shows")
        print(f"\nforeign map to covered again: median {statistics.median(times) * 1000:.1f} ms, "
              f"max {max(times) * 1000:.1f} ms over {len(times)} maps")

        # The lock still unlocks as usual, and then the foreign windows show again.
        window = ForeignWindow(self.desktop.display, (100, 100, 200, 200), GREEN)
        self.addCleanup(window.close)
        window.map_raised()
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(lambda: self.sampler.pixel(200, 200) == GREEN, 10, what="the foreign window after the unlock")
        self.assertIsNone(proc.poll())


if __name__ == "__main__":
    unittest.main()
