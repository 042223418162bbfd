"""The manager's main window on a private Xvfb: it discovers simulated lockers on 127.0.0.0/8 by a
broadcast to 127.255.255.255, lists them, and a screenshot of the window listing them is saved as
screenshots/manager-window.png in the build folder. SIGTERM closes the window cleanly."""
import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from desktop import Xvfb, parse_ppm
from harness import wait_for
from locker_sim import LockerSimulator, sim_name
from manager_harness import write_manager_accounts

WIDTH, HEIGHT = 1280, 800


def build_dir():
    return os.environ.get("BRIVAK_BUILD_DIR") or os.path.dirname(os.path.dirname(os.environ["BRIVAKMANAGER"]))


def shot(x, path=None):
    """The root window as PPM bytes, or saved to `path` (format by its extension)."""
    return x.run("import", "-window", "root", "-depth", "8", path or "ppm:-", timeout=30).stdout


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("import") and os.environ.get("BRIVAKMANAGER"),
                     "needs Xvfb, ImageMagick's import and BRIVAKMANAGER")
class ManagerWindowTest(unittest.TestCase):
    COUNT = 12

    def setUp(self):
        # One screen with a grey root, no window manager.
        self.x = Xvfb(WIDTH, HEIGHT)
        self.addCleanup(self.x.stop)
        self.x.start()
        self.x.run("xsetroot", "-solid", "#506070", timeout=30)

    def start_window(self, password="window-pass"):
        # A HOME, a user list and a login file of its own, as the headless tests have.
        root = tempfile.mkdtemp(prefix="brivak-mgrwin-")
        self.addCleanup(shutil.rmtree, root, True)
        home = os.path.join(root, "home")
        os.makedirs(home)
        userlist, login = write_manager_accounts(root, password)
        self.status_path = os.path.join(root, "computers.txt")
        self.out_path = os.path.join(root, "out.txt")
        settings = {"broadcastip": "127.255.255.255", "wolip": "127.0.0.1", "startip": "127.0.0.1",
                    "endip": "127.0.0.1", "udptimeout": "500", "autorefresh": "0"}
        args = [os.environ["BRIVAKMANAGER"], "-login", login, "-userlist", userlist, "-statusfile", self.status_path,
                "-localip", "127.0.0.1", "-eventport", "0"]
        for key, value in settings.items():
            args += ["-set", f"{key}={value}"]
        env = {k: v for k, v in self.x.env().items() if not k.startswith("XDG_")}
        env.update(HOME=home, QT_QPA_PLATFORM="xcb")
        # Sanitizer builds: leaks inside the system's toolkit libraries are theirs, not ours.
        supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "lsan.supp")
        env.setdefault("LSAN_OPTIONS", f"suppressions={os.path.normpath(supp)}")
        with open(self.out_path, "wb") as out:
            proc = subprocess.Popen(args, env=env, stdout=out, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), proc.wait()))
        return proc

    def listed(self):
        try:
            with open(self.status_path, encoding="utf-8") as f:
                return {line.split("\t")[0] for line in f if line.strip()}
        except FileNotFoundError:
            return set()

    def test_window_lists_discovered_lockers_and_saves_a_screenshot(self):
        names = {sim_name(i) for i in range(self.COUNT)}
        with LockerSimulator(self.COUNT) as sim:
            proc = self.start_window()
            wait_for(lambda: names <= self.listed() or proc.poll() is not None, 60, what="the listed lockers")
            if proc.poll() is not None:
                with open(self.out_path, encoding="utf-8", errors="replace") as out:
                    self.fail(f"the manager ended:\n{out.read()}")
            self.assertEqual(self.listed(), names)
            # The list is painted after the inventory changed: wait until the screen is steady.
            previous = [b""]

            def steady():
                now = shot(self.x)
                same = now == previous[0]
                previous[0] = now
                return same
            wait_for(steady, 20, interval=0.3, what="a steady screen")
            path = os.path.join(build_dir(), "screenshots", "manager-window.png")
            os.makedirs(os.path.dirname(path), exist_ok=True)
            shot(self.x, path)
            self.assertGreater(os.path.getsize(path), 10000)
            # Not the bare root: the window covers part of the screen with other colours.
            width, height, pixels = parse_ppm(previous[0])
            root = bytes((0x50, 0x60, 0x70))
            covered = sum(1 for i in range(0, len(pixels), 3 * 97) if pixels[i:i + 3] != root)
            self.assertGreater(covered, len(pixels) // (3 * 97) // 4)

            if shutil.which("xdotool"):
                # Selecting the first row asks that locker for its layouts and its month of logs.
                before = sim.queries
                self.x.run("xdotool", "mousemove", "40", "74", "click", "1", timeout=30)
                wait_for(lambda: sim.queries >= before + 2 or proc.poll() is not None, 20,
                         what="the selected locker's layout and log requests")
                self.assertIsNone(proc.poll())

            proc.send_signal(signal.SIGTERM)  # closes the window like its close button
            code = proc.wait(timeout=20)
            with open(self.out_path, encoding="utf-8", errors="replace") as out:
                self.assertEqual(code, 0, out.read()[-3000:])


if __name__ == "__main__":
    unittest.main()
