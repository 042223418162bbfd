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
from locker_sim import LockerSimulator, mixed_status, sim_name
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

    def start_window(self, password="window-pass", registry_text=None, settings=None):
        # A HOME, a user list and a login file of its own, as the headless tests have.
        root = tempfile.mkdtemp(prefix="brivak-mgrwin-")
        self.addCleanup(shutil.rmtree, root, True)
        home = os.path.join(root, "home")
        os.makedirs(home)
        self.registry = os.path.join(home, ".config", "brivak", "registry.ini")
        if registry_text is not None:
            os.makedirs(os.path.dirname(self.registry), mode=0o700)
            fd = os.open(self.registry, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
            with os.fdopen(fd, "w", encoding="utf-8", newline="") as f:
                f.write(registry_text)
        userlist, login = write_manager_accounts(root, password)
        self.status_path = os.path.join(root, "computers.txt")
        self.out_path = os.path.join(root, "out.txt")
        settings = {"broadcastip": "127.255.255.255", "wolip": "127.0.0.1", "startip": "127.0.0.1",
                    "endip": "127.0.0.1", "udptimeout": "500", "autorefresh": "0", **(settings or {})}
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
                self.x.run("xdotool", "mousemove", "40", "107", "click", "1", timeout=30)
                wait_for(lambda: sim.queries >= before + 2 or proc.poll() is not None, 20,
                         what="the selected locker's layout and log requests")
                self.assertIsNone(proc.poll())

            proc.send_signal(signal.SIGTERM)  # closes the window like its close button
            code = proc.wait(timeout=20)
            with open(self.out_path, encoding="utf-8", errors="replace") as out:
                self.assertEqual(code, 0, out.read()[-3000:])

    def test_two_hundred_lockers_in_mixed_states_at_a_glance(self):
        count = 200
        names = {sim_name(i) for i in range(count)}
        with LockerSimulator(count, status=mixed_status):
            proc = self.start_window()
            wait_for(lambda: names <= self.listed() or proc.poll() is not None, 60, what="200 listed lockers")
            self.assertIsNone(proc.poll())
            previous = [b""]

            def steady():
                now = shot(self.x)
                same = now == previous[0]
                previous[0] = now
                return same
            wait_for(steady, 20, interval=0.3, what="a steady screen")
            path = os.path.join(build_dir(), "screenshots", "manager-window-200.png")
            os.makedirs(os.path.dirname(path), exist_ok=True)
            shot(self.x, path)
            # The rows' state colours: the light red of locked rows and the light green of unlocked.
            width, height, pixels = parse_ppm(previous[0])
            colours = {bytes(pixels[i:i + 3]) for i in range(0, len(pixels), 3 * 7)}
            self.assertIn(bytes((0xfa, 0xdb, 0xd8)), colours)
            self.assertIn(bytes((0xdf, 0xf5, 0xe6)), colours)
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(timeout=20), 0)

    def test_set_values_are_not_saved_when_the_window_closes(self):
        stored = {"startip": "127.0.0.1", "endip": "127.0.0.1", "scantimeout": "2000", "udptimeout": "777",
                  "httptimeout": "4000", "refreshtime": "30000", "autorefresh": "0", "hideupdate": "1",
                  "enablewebserver": "0", "trayminimize": "0", "lastCol": "-1", "webserverport": "888",
                  "broadcastip": "127.0.0.1", "wolip": "127.0.0.1", "wolport": "2050"}
        text = "[Software\\Morvane\\Brivak Manager\\settings]\r\n" + "".join(
            f"{k}={v}\r\n" for k, v in stored.items())
        with LockerSimulator(2):
            # udptimeout, broadcastip and refreshtime differ from the stored values for this run.
            proc = self.start_window(registry_text=text, settings={"refreshtime": "12345"})
            wait_for(lambda: {sim_name(0), sim_name(1)} <= self.listed() or proc.poll() is not None, 60,
                     what="the listed lockers")
            self.assertIsNone(proc.poll())
            proc.send_signal(signal.SIGTERM)  # closes the window, which saves the settings
            self.assertEqual(proc.wait(timeout=20), 0)
        with open(self.registry, encoding="utf-8", newline="") as f:
            after = f.read()
        values = dict(line.split("=", 1) for line in after.split("\r\n") if "=" in line)
        self.assertEqual(values, stored)
        self.assertEqual(after, text)


if __name__ == "__main__":
    unittest.main()
