"""The idle lock of the real brivak3 on a private two-monitor X desktop: with lockTime 3 the
screens are covered within 4.5 s of the last input, input after 2 s postpones the lock, the lock
names its trigger in the day log, and /query reports the session's idle time."""
import re
import time
import unittest

from desktop import IdleProbe
from harness import http_get, query_text, wait_for
from locked_desktop import LockedDesktopTest, locker_settings

PASSWORD = "Idle pass 7"
LOCK_TIME = 3


class IdleLockTest(LockedDesktopTest):
    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(PASSWORD, Security={"idleLock": "1", "lockTime": str(LOCK_TIME)},
                                                Logging={"LogBrivakStart": "1"}))
        self.idle = IdleProbe(self.desktop.display)
        self.addCleanup(self.idle.close)
        self.sampler = self.pixel_sampler()

    def input(self):
        """A pointer movement (XTest): the session is no longer idle."""
        self.desktop.run("xdotool", "mousemove_relative", "--", "3", "2")
        wait_for(lambda: self.idle.idle_ms() < 500, 5, what="the input to reset the idle time")
        return time.monotonic()

    def query_idletime(self):
        reply = http_get("/query?" + query_text(s_username="", s_password=PASSWORD))
        self.assertEqual(reply.status, 200, reply)
        match = re.search(r"<idletime>(\d+)</idletime>", reply.body)
        self.assertIsNotNone(match, reply.body)
        return int(match.group(1))

    def test_lock_time_three_covers_within_four_and_a_half_seconds_and_input_postpones_it(self):
        proc = self.box.start_locker("-tray")
        self.box.wait_output(proc, "Connectivity established")
        self.input()
        wait_for(lambda: self.idle.idle_ms() >= 2000, 10, what="two seconds without input")
        self.assertTrue(self.sampler.all_desktop(), "no lock before lockTime")
        # /query reads the same idle time (whole seconds).
        self.assertGreaterEqual(self.query_idletime(), 2)

        # Input at 2 s: the lock must not come at 3 s after the first input.
        last = self.input()
        wait_for(lambda: self.idle.idle_ms() >= 2500, 10, what="2.5 s without input after the second")
        self.assertTrue(self.sampler.all_desktop(),
                        "input at 2 s postpones the lock:\n" + self.box.output(proc))

        covered_at = wait_for(lambda: self.sampler.all_covered() and time.monotonic(), 10, interval=0.02,
                              what="the idle lock to cover every monitor")
        after = covered_at - last
        self.assertLessEqual(after, 4.5, f"covered {after:.2f} s after the last input")
        self.assertGreaterEqual(after, LOCK_TIME - 0.2, f"covered only {after:.2f} s after the last input")
        self.assertEqual(self.desktop.monitor_red(), [0, 0])
        wait_for(lambda: any(t.startswith("Brivak 3.1 started by ") and t.endswith(" (Idle Timeout)")
                             for t in self.box.log_texts()), 5, what="the start line naming the idle trigger")

        # "focus": the password box has the keyboard, so typing unlocks.
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(self.sampler.all_desktop, 15, what="the unlock")
        # Back in the tray the idle supervision runs again: the next lock comes by itself.
        wait_for(self.sampler.all_covered, 15, what="the idle lock after the unlock")


if __name__ == "__main__":
    unittest.main()
