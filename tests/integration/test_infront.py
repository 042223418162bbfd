"""While locked, nothing of another program draws above the lock: a foreign window mapped or
raised during the lock (an override-redirect bubble as much as a plain window, on either monitor)
is covered again at once. Runs on the private two-monitor Xvfb."""
import statistics
import time
import unittest

from desktop import MONITORS, ForeignWindow, wait_covered
from harness import wait_for
from locked_desktop import ALREADY_GRABBED, LockedDesktopTest, locker_settings

PASSWORD = "Open sesame 1"
GREEN = 0x00FF00


class KeptInFrontTest(LockedDesktopTest):
    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(PASSWORD))
        self.sampler = self.pixel_sampler()

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
