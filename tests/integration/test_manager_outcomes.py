"""What the headless manager reports for real lockers that carry a command out, refuse its
credentials, or refuse its address.

Runs in a network namespace of its own (CMake starts it under "unshare -n"): the test points the
loopback's source address for 127.0.0.2-127.255.255.254 at 127.0.0.2, so that requests to those
addresses reach the locker from an address its filter checks (127.0.0.1 always passes)."""
import os
import subprocess
import unittest

from harness import LOOPBACK, locker_sandbox
from manager_harness import HeadlessManager

PASSWORD = "s3cret pass"
FILTERED = "127.0.0.5"  # reaches the locker from 127.0.0.2


def in_private_network_namespace():
    """True in a namespace holding the loopback interface alone (one that "unshare -n" made): its
    routes are the test's to change."""
    links = subprocess.run(["ip", "-o", "link", "show"], capture_output=True, text=True, check=True).stdout
    return [line.split(":")[1].strip() for line in links.splitlines()] == ["lo"]


class ManagerOutcomesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not in_private_network_namespace():
            raise AssertionError("run this test inside a network namespace of its own (unshare -n)")
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        subprocess.run(["ip", "route", "replace", "local", "127.0.0.0/8", "dev", "lo", "table", "local",
                        "proto", "kernel", "scope", "host", "src", "127.0.0.2"], check=True)

    def manager(self, password=PASSWORD, **kwargs):
        manager = HeadlessManager(password, extra_args=["-nodiscover", "-eventport", "0"], **kwargs)
        self.addCleanup(manager.close)
        manager.wait_output("Brivak Manager v0.48 ready.")
        return manager

    def test_done_refused_by_address_and_refused_by_credentials(self):
        box = locker_sandbox(self, PASSWORD)  # remote addresses off: only 127.0.0.1 and the master
        box.start_locker("-tray")
        manager = self.manager()

        manager.send(f"lock {LOOPBACK} {FILTERED}")
        manager.wait_output("FINISHED 1 done, 1 refused, 0 failed")
        self.assertIn(f"RESULT lock {LOOPBACK} DONE locked", manager.lines())
        refused = [l for l in manager.lines() if l.startswith(f"RESULT lock {FILTERED} ")]
        self.assertEqual(len(refused), 1, manager.output())
        self.assertTrue(refused[0].startswith(f"RESULT lock {FILTERED} REFUSED OK (an empty reply"), refused[0])
        self.assertIn(f"lock {FILTERED}: refused: OK (an empty reply: the locker's allowed addresses do not "
                      "include this manager)", manager.lines())

        # "runupdatescript" may also get an empty "OK" when allowed: the check by "/query" decides.
        manager.send(f"runupdate {FILTERED} {LOOPBACK}")
        manager.wait_output("FINISHED 0 done, 1 refused, 1 failed")
        self.assertIn(f"RESULT runupdatescript {LOOPBACK} FAILED OK (nothing was run: the locker has no update "
                      "script)", manager.lines())
        self.assertTrue(any(l.startswith(f"RESULT runupdatescript {FILTERED} REFUSED ") for l in manager.lines()))
        self.assertFalse(any(" DONE " in l for l in manager.lines() if FILTERED in l), manager.output())

        # The same manager against a locker that holds another password.
        box.close()
        other = locker_sandbox(self, "another password")
        other.start_locker("-tray")
        manager.send(f"lock {LOOPBACK}")
        manager.wait_output(f"RESULT lock {LOOPBACK} REFUSED cant lock, not authenticated")
        manager.send(f"unlock {LOOPBACK}")
        manager.wait_output(f"RESULT unlock {LOOPBACK} REFUSED cant Shutdown, not authenticated")
        self.assertNotIn(PASSWORD, manager.output())
        self.assertEqual(manager.stop(), 0)


if __name__ == "__main__":
    unittest.main()
