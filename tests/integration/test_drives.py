"""Removable drives and the real brivak3: tmpfs volumes mounted below /mnt by the test, in a mount
namespace of its own (ctest starts it under `unshare -m`; brivak3 runs in it too). A prepared
volume (Brivak2Go/settings.ini with lockOnInsert=1) locks within 2 s; an unprepared one does not;
a removal is logged; while locked a drive neither locks again nor unlocks; with USBprompt an
unprepared drive brings the question box on the lock, and its OK needs the administrator."""
import os
import subprocess
import tempfile
import time
import unittest

from harness import wait_for
from locked_desktop import ALREADY_GRABBED, LockedDesktopTest, locker_settings

PASSWORD = "Stick pass 3"
MEDIA_ROOT = "/mnt"


def private_mount_namespace():
    """True when this process has a mount namespace other than its parent's (unshare -m execs the
    test, so the parent is the test runner outside it)."""
    return os.readlink("/proc/self/ns/mnt") != os.readlink(f"/proc/{os.getppid()}/ns/mnt")


def sh(*argv):
    subprocess.run(list(argv), check=True, timeout=20, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


class DrivesTest(LockedDesktopTest):
    @classmethod
    def setUpClass(cls):
        # The mounts below must never reach the machine's own mount table.
        if not private_mount_namespace():
            raise AssertionError("run this test in a mount namespace of its own: "
                                 "unshare -m --propagation private python3 -m unittest test_drives")
        # A private, empty /mnt for this namespace only.
        sh("mount", "-t", "tmpfs", "-o", "size=4m", "brivak-media", MEDIA_ROOT)
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        subprocess.run(["umount", "-l", MEDIA_ROOT], timeout=20)

    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(PASSWORD, Security={"idleLock": "0", "USBprompt": "0"},
                                                Logging={"LogCDinsertion": "1"}))
        self.sampler = self.pixel_sampler()
        self.mounted = []
        self.addCleanup(self.unmount_all)

    def unmount_all(self):
        for point in reversed(self.mounted):
            subprocess.run(["umount", "-l", point], timeout=20)

    def insert(self, name, drive_file=None):
        """Prepares a volume on a tmpfs outside the watched folders, then moves the whole mount to
        /mnt/<name>: the volume appears with its files in one step. Returns the time of the move."""
        staging = tempfile.mkdtemp(prefix="brivak-stick-")
        sh("mount", "-t", "tmpfs", "-o", "size=1m", name, staging)
        if drive_file is not None:
            os.makedirs(os.path.join(staging, "Brivak2Go"))
            with open(os.path.join(staging, "Brivak2Go", "settings.ini"), "w") as f:
                f.write(drive_file)
        point = os.path.join(MEDIA_ROOT, name)
        os.makedirs(point, exist_ok=True)
        at = time.monotonic()
        sh("mount", "--move", staging, point)
        os.rmdir(staging)
        self.mounted.append(point)
        return point, at

    def remove(self, point):
        sh("umount", point)
        self.mounted.remove(point)

    def test_prepared_drive_locks_unprepared_does_not_and_removals_are_logged(self):
        already, _ = self.insert("BEFORE", "[USB]\r\nlockOnInsert=1\r\n")
        proc = self.box.start_locker("-tray", "-savedebug")
        self.box.wait_output(proc, "Connectivity established")
        self.assertTrue(self.sampler.all_desktop(), "a volume mounted before the start is no insertion")

        # (-savedebug: the debug trace goes to the day log, its lines starting with "*".)
        # Unprepared: handled, and nothing locks. Its removal is handled after it, so a lock
        # launch it had started would have shown by then.
        plain, _ = self.insert("PLAIN")
        self.box.wait_log("*EH! Drive Letter /mnt/PLAIN assigned to device.")
        self.remove(plain)
        self.box.wait_log("USB Removed:  ()")
        self.box.wait_log("*usb drive: /mnt/PLAIN:")
        self.assertTrue(self.sampler.all_desktop(), "an unprepared drive does not lock")
        self.assertNotIn("Launching lock screen...", self.box.output(proc))

        # Prepared: locks within 2 s of the mount.
        stick, mounted_at = self.insert("STICK", "[USB]\r\nlockOnInsert=1\r\n")
        covered_at = wait_for(lambda: self.sampler.all_covered() and time.monotonic(), 5, interval=0.02,
                              what="the prepared drive's lock")
        self.assertLessEqual(covered_at - mounted_at, 2.0)
        self.assertEqual(self.desktop.monitor_red(), [0, 0])
        self.box.wait_log("Locked by USB Drive insertion")
        self.box.wait_output(proc, "Brivak USB drive found.")

        # While locked: a drive that asks to unlock unlocks nothing, a lock drive locks nothing more.
        key, _ = self.insert("KEY", "[USB]\r\nunlockOnInsert=1\r\nlockOnInsert=1\r\n")
        self.box.wait_log("*:unlock on insert = true")
        self.remove(key)
        self.box.wait_log("USB Removed:  ()", count=2)
        self.assertTrue(self.sampler.all_covered(), "unlockOnInsert does not unlock")
        self.assertEqual(self.box.log_texts().count("Locked by USB Drive insertion"), 1)
        self.assertEqual(self.box.output(proc).count("Launching lock screen..."), 1)

        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(self.sampler.all_desktop, 15, what="the unlock")
        self.remove(stick)
        self.remove(already)
        self.box.wait_log("USB Removed:  ()", count=4)

    def window_shown(self, title):
        out = self.desktop.run("xdotool", "search", "--onlyvisible", "--name", title, check=False)
        return out.returncode == 0 and out.stdout.strip()

    def test_usb_prompt_while_locked_asks_and_ok_needs_the_administrator(self):
        self.box.write_registry(locker_settings(PASSWORD, Security={"idleLock": "0", "USBprompt": "1"},
                                                Logging={"LogBadPasswords": "1"}))
        proc = self.box.start_locker()  # locks at once
        wait_for(self.sampler.all_covered, 30, what="the lock")
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10, what="the lock's keyboard grab")

        self.insert("VISITOR")
        wait_for(lambda: self.window_shown("Removable Media detected"), 10, what="the question box")
        self.assertTrue(self.sampler.all_covered(), "the question sits on the lock")
        self.desktop.key("Return")  # OK
        # The export needs the administrator: the password prompt comes; cancelling it is refused.
        wait_for(lambda: not self.window_shown("Removable Media detected"), 10, what="the question to close")
        wait_for(lambda: self.window_shown("Unlock Brivak"), 10, what="the password prompt")
        self.desktop.key("Escape")
        self.box.wait_log("Security Event: Bad Password to export to removable media")
        self.assertTrue(self.sampler.all_covered())
        self.assertIsNone(proc.poll())


if __name__ == "__main__":
    unittest.main()
