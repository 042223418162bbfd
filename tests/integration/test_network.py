"""Network suspension of the real brivak3 through NetworkManager (python3-dbusmock's
networkmanager template on a private system bus): a lock with suspendNetwork=1 calls Enable(false)
once, also after F5 applies the layout again; the unlock calls Enable(true); after kill -9 while
suspended the next start (here the watchdog's) calls Enable(true) before anything else. Runs on the
private two-monitor Xvfb."""
import os
import signal
import unittest

from desktop import wait_covered, wait_uncovered
from harness import http_get, query_text, wait_for
from locked_desktop import ALREADY_GRABBED, LockedDesktopTest, locker_settings
from system_bus import PrivateBus

PASSWORD = "Net pass 3"
NM = ("org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager")


class NetworkSuspensionTest(LockedDesktopTest):
    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(PASSWORD, Security={"idleLock": "0", "suspendNetwork": "1"}))
        self.bus = PrivateBus(os.path.join(self.box.root, "bus"), "system").start()
        self.addCleanup(self.bus.stop)
        self.bus.start_template("networkmanager", NM[0])
        self.box.extra_env.update(self.bus.env())

    def enables(self):
        return [call[2][0] for call in self.bus.method_calls(*NM) if call[1] == "Enable"]

    def output(self):
        return self.box.output(self.box.procs[0])

    def test_a_lock_suspends_once_restores_at_its_end_and_after_a_crash(self):
        first = self.box.start_locker("-showdebug")  # the debug trace shows when F5 was taken
        wait_covered(self.desktop, timeout=30)
        wait_for(lambda: self.enables() == [False], 10, what="Enable(false)")
        self.box.wait_log("Network access suspended")
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10, what="the lock's grab")
        # F5 applies the layout again (before the typed password, in the order of the keys): no
        # second suspension.
        self.desktop.key("F5")
        wait_for(lambda: "F5 Refresh" in self.output(), 10, what="F5 taken by the lock screen")
        self.box.wait_log("Network access suspended")
        reply = http_get("/unlock?" + query_text(s_username="", s_password=PASSWORD))
        self.assertEqual(reply.reason, "unlocking")
        wait_uncovered(self.desktop)
        wait_for(lambda: self.enables() == [False, True], 10, what="Enable(true) at the end of the lock")
        self.box.wait_log("Network access resumed")
        self.assertFalse(os.path.exists(os.path.join(self.box.app_data, "network.state")))

        # Locked and suspended again, then killed: the next start restores the network first.
        self.desktop.key("ctrl+alt+s")
        wait_covered(self.desktop)
        wait_for(lambda: self.enables() == [False, True, False], 10, what="the second suspension")
        wait_for(lambda: os.path.exists(os.path.join(self.box.app_data, "network.state")), 5,
                 what="the suspension's record")
        os.kill(first.pid, signal.SIGKILL)
        first.wait(timeout=5)
        wait_for(lambda: self.enables()[:4] == [False, True, False, True] and len(self.enables()) >= 4, 15,
                 what="Enable(true) from the next start")
        self.assertIn("Restoring Network Access...", self.output())


if __name__ == "__main__":
    unittest.main()
