"""The real brivak3 on a private two-monitor X desktop (Xvfb, no window manager, red root window):
the lock covers both monitors, holds the keyboard, unlocks on the typed password, locks again on
the hotkey, unlocks on an authenticated HTTP /unlock, and keeps a wrong password out."""
import os
import unittest

from desktop import XProbe, wait_covered, wait_uncovered
from harness import http_get, query_text, wait_for
from locked_desktop import ALREADY_GRABBED, LockedDesktopTest, locker_settings

PASSWORD = "Open sesame 1"
GRAB_SUCCESS = 0


def build_dir():
    return os.environ.get("BRIVAK_BUILD_DIR") or os.path.dirname(os.environ["BRIVAK3"])


class LockScreenTest(LockedDesktopTest):
    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(PASSWORD, Logging={"LogBadPasswords": "1", "LogBrivakStart": "1",
                                                                   "LogBrivakExit": "1"}))

    def start_locked(self):
        """Starts the locker without "-tray": it locks right after its start-up."""
        self.proc = self.box.start_locker()
        try:
            wait_covered(self.desktop, timeout=30)
        except AssertionError:
            raise AssertionError("not covered; locker output:\n" + self.box.output(self.proc))
        return self.proc

    def unlock_by_typing(self, password):
        self.desktop.type_text(password)
        self.desktop.key("Return")

    def test_lock_covers_both_monitors_holds_the_keyboard_and_unlocks_three_ways(self):
        self.start_locked()
        self.assertEqual(self.desktop.monitor_red(), [0, 0], "no pixel of the desktop may show")
        shot = self.desktop.save_png(os.path.join(build_dir(), "screenshots", "lockscreen.png"))
        self.assertGreater(os.path.getsize(shot), 0)

        # Another client cannot take the keyboard while the lock holds it.
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10,
                 what="the locker's keyboard grab")

        # 1. The password typed into the unlock box, then Enter.
        self.unlock_by_typing(PASSWORD)
        wait_uncovered(self.desktop)
        wait_for(lambda: self.desktop.keyboard_grab_status() == GRAB_SUCCESS, 10,
                 what="the keyboard to be free again")
        self.assertIsNone(self.proc.poll(), "the locker goes on in the tray")

        # 2. The hotkey (default Ctrl+Alt+S) locks again.
        wait_for(lambda: "Closing window..." in self.box.output(self.proc), 10, what="the end of the lock")
        self.desktop.key("ctrl+alt+s")
        wait_covered(self.desktop)
        self.assertEqual(self.desktop.monitor_red(), [0, 0])
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10,
                 what="the keyboard grab of the second lock")

        # 3. An authenticated HTTP /unlock ends it.
        reply = http_get("/unlock?" + query_text(s_username="", s_password=PASSWORD))
        self.assertEqual(reply.status, 200, reply)
        wait_uncovered(self.desktop)
        self.assertIsNone(self.proc.poll())
        self.box.wait_log("Brivak Shutdown", count=2)

    def test_wrong_password_keeps_the_lock_and_is_logged(self):
        self.start_locked()
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10,
                 what="the locker's keyboard grab")
        self.unlock_by_typing("not it")
        self.box.wait_log("Bad Password entered to exit Brivak: not it")
        self.box.wait_log("Security Event: Incorrect password entered")
        self.assertEqual(self.desktop.monitor_red(), [0, 0], "a wrong password keeps every monitor covered")
        self.assertEqual(self.desktop.keyboard_grab_status(), ALREADY_GRABBED)
        self.assertNotIn("Brivak Shutdown", self.box.log_texts())

        # The box was cleared: the right password alone unlocks.
        self.unlock_by_typing(PASSWORD)
        wait_uncovered(self.desktop)
        self.box.wait_log("Brivak Shutdown")

    def test_a_keyboard_held_elsewhere_still_locks_says_so_once_and_is_taken_when_free(self):
        other = XProbe(self.desktop.display)
        self.addCleanup(other.release_keyboard)
        self.assertEqual(other.hold_keyboard(), GRAB_SUCCESS)
        self.start_locked()
        self.assertEqual(self.desktop.monitor_red(), [0, 0], "the screens are covered without the grab")
        line = "Input grab not held: keyboard held by another program, mouse held"
        self.box.wait_log(line)
        self.box.wait_output(self.proc, "Could not grab the keyboard and mouse; the screens stay covered, retrying.")

        other.release_keyboard()
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10,
                 what="the locker taking the keyboard once it is free")
        self.box.wait_output(self.proc, "Keyboard and mouse grabbed.")
        self.assertEqual(self.box.log_texts().count(line), 1, "reported once, not on every retry")
        self.unlock_by_typing(PASSWORD)
        wait_uncovered(self.desktop)


if __name__ == "__main__":
    unittest.main()
