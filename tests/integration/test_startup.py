"""Start-up registration with the real programs: the locker writes its own location at every start
and, at the end of a lock, the XDG autostart entry that StartupMode asks for (mode 1: an entry whose
Exec quotes the program path; mode 0: the same entry hidden). The manager's "Launch Brivak" starts
the locker by the location the locker wrote."""
import os
import re
import shutil
import subprocess
import unittest

from desktop import Xvfb
from harness import LOOPBACK, Sandbox, http_get, locker_sandbox, query_text, sha1_hex, stop_process, wait_for
from manager_harness import write_manager_accounts

PASSWORD = "start-pass"
LOCATION = re.compile(r"^sAppLocation=(.*)$", re.M)


def good():
    return query_text(s_username="", s_password=PASSWORD)


def app_location(box):
    with open(box.registry, encoding="utf-8") as f:
        found = LOCATION.search(f.read())
    return found.group(1).replace("\\\\", "\\") if found else None


def move_program(box, folder_name):
    """The locker's copy moves into a folder of `folder_name` (a blank in the path tests the quoting)."""
    folder = os.path.join(box.root, folder_name)
    os.makedirs(folder)
    exe = os.path.join(folder, "brivak3")
    shutil.move(box.exe, exe)
    box.exe = exe


def set_startup_mode(box, mode):
    with open(box.registry, encoding="utf-8") as f:
        text = f.read()
    text, count = re.subn(r"^StartupMode=.*$", f"StartupMode={mode}", text, flags=re.M)
    assert count == 1, text
    with open(box.registry, "w", encoding="utf-8") as f:
        f.write(text)


class AutostartEntryTest(unittest.TestCase):
    def setUp(self):
        self.box = locker_sandbox(self, PASSWORD)
        move_program(self.box, "my programs")
        self.entry = os.path.join(self.box.home, ".config", "autostart", "brivak3.desktop")

    def lock_and_unlock(self):
        """One lock started and ended over the command port; returns when the lock has ended."""
        proc = self.box.start_locker("-tray")
        self.assertEqual(app_location(self.box), self.box.exe, "written at the start")
        self.assertEqual(http_get("/lock?" + good()).reason, "locked")
        self.box.wait_log(f"Locked by remote address {LOOPBACK}")
        wait_for(lambda: "Drawing the screen..." in self.box.output(proc), 20, what="the lock's start")
        self.assertEqual(http_get("/unlock?" + good()).reason, "unlocking")
        self.box.wait_output(proc, "Closing window...", timeout=20)
        self.assertTrue(stop_process(proc))

    def read_entry(self):
        with open(self.entry, encoding="utf-8") as f:
            return f.read()

    def test_mode_one_writes_a_quoted_exec_and_mode_zero_hides_the_entry(self):
        self.box.write_registry({
            "Settings": {"firstRun": "0"},
            "General": {"StartupMode": "1", "LayoutMode": "0"},
            "Security": {"passwordHash": sha1_hex(PASSWORD), "MasterIP": LOOPBACK, "multiUser": "0"},
        })
        self.lock_and_unlock()
        entry = self.read_entry()
        self.assertIn(f'\nExec="{self.box.exe}" -runkey\n', entry)
        self.assertIn(" ", self.box.exe)
        self.assertNotIn("Hidden=true", entry)

        set_startup_mode(self.box, 0)
        self.lock_and_unlock()
        entry = self.read_entry()
        self.assertIn("\nHidden=true\n", entry)
        self.assertIn(f'\nExec="{self.box.exe}" -runkey\n', entry)


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool") and os.environ.get("BRIVAKMANAGER"),
                     "needs Xvfb, xdotool and BRIVAKMANAGER")
class ManagerLaunchTest(unittest.TestCase):
    """The manager and the locker share one HOME: the manager reads the locker's location from the
    registry form and starts that program."""

    def setUp(self):
        self.x = Xvfb(1024, 700)
        self.addCleanup(self.x.stop)
        self.x.start()
        self.box = Sandbox(display=self.x.display)
        self.addCleanup(self.box.close)
        self.box.write_registry({
            "Settings": {"firstRun": "0"},
            "General": {"StartupMode": "4", "LayoutMode": "0"},
            "Security": {"passwordHash": sha1_hex(PASSWORD), "MasterIP": LOOPBACK, "multiUser": "0",
                         "allowRemoteUnlocking": "0"},
        })

    def start_manager(self):
        userlist, login = write_manager_accounts(self.box.root, "manager-pass")
        args = [os.environ["BRIVAKMANAGER"], "-login", login, "-userlist", userlist, "-localip", "127.0.0.1",
                "-eventport", "0"]
        for key, value in {"broadcastip": "127.255.255.255", "wolip": "127.0.0.1", "startip": "127.0.0.1",
                           "endip": "127.0.0.1", "udptimeout": "300", "autorefresh": "0"}.items():
            args += ["-set", f"{key}={value}"]
        env = self.box.env()
        env["QT_QPA_PLATFORM"] = "xcb"
        self.manager_out = os.path.join(self.box.root, "manager-out.txt")
        with open(self.manager_out, "wb") as out:
            proc = subprocess.Popen(args, env=env, stdout=out, stderr=subprocess.STDOUT)
        self.addCleanup(stop_process, proc)
        return proc

    def started_by_manager(self):
        return "Brivak Started with command line parameters: " in self.box.log_texts()

    def test_launch_brivak_starts_the_locker_at_its_stored_location(self):
        first = self.box.start_locker("-tray")
        self.assertEqual(app_location(self.box), self.box.exe)
        self.assertTrue(stop_process(first))
        self.assertFalse(self.started_by_manager())

        manager = self.start_manager()
        # The window sits at the top left (no window manager); its menu bar is the first row.
        wait_for(lambda: self.x.run("xdotool", "search", "--onlyvisible", "--name", "Brivak", check=False,
                                    timeout=10).returncode == 0 or manager.poll() is not None,
                 30, interval=0.2, what="the manager's window")
        self.assertIsNone(manager.poll())
        # "Launch Brivak" is a plain item of the menu bar: the bar is clicked from left to right
        # (a menu that opens is closed again with Escape) until the locker has started.
        for x in range(8, 700, 12):
            self.x.run("xdotool", "mousemove", str(x), "12", "click", "1", check=False, timeout=10)
            self.x.run("xdotool", "key", "Escape", check=False, timeout=10)
            if self.started_by_manager():
                break
        wait_for(self.started_by_manager, 30, interval=0.1, what="the locker started by the manager")
        # The locker runs from the stored location and locks at once (no -tray): end it with "/r".
        self.box.run("/r", timeout=30)
        self.assertIsNone(manager.poll())


if __name__ == "__main__":
    unittest.main()
