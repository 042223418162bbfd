"""The packaged autostart launcher starts the locker only as StartupMode asks: it reads the setting
where the locker does (settings.ini beside the program, else the user's registry file) with the
INI rules (names without regard to case, the first of duplicates, blanks trimmed). The launcher
runs beside a stand-in brivak3 that prints its arguments."""
import os
import shutil
import subprocess
import tempfile
import unittest

LAUNCHER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging", "brivak3-autostart")


class AutostartTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="brivak-autostart-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.bin = os.path.join(self.root, "lib")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.bin)
        os.makedirs(os.path.join(self.home, ".config", "brivak"))
        shutil.copy(LAUNCHER, os.path.join(self.bin, "brivak3-autostart"))
        stand_in = os.path.join(self.bin, "brivak3")
        with open(stand_in, "w") as f:
            f.write('#!/bin/sh\necho "started $*"\n')
        os.chmod(stand_in, 0o755)

    def launch(self):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home}
        return subprocess.run([os.path.join(self.bin, "brivak3-autostart")], env=env, check=True,
                              capture_output=True, text=True, timeout=10).stdout.strip()

    def write_registry(self, text):
        with open(os.path.join(self.home, ".config", "brivak", "registry.ini"), "w") as f:
            f.write(text)

    def test_modes_of_the_registry_form(self):
        self.assertEqual(self.launch(), "started -runkey", "no settings yet: the default 1")
        for mode, expected in (("0", ""), ("1", "started -runkey"), ("2", "started -ro"), ("3", ""), ("4", "")):
            with self.subTest(mode=mode):
                self.write_registry("[Brivak 3.0\\Other]\r\nStartupMode=2\r\n"
                                    f"[brivak 3.0\\GENERAL]\r\n startupmode = {mode} \r\nStartupMode=1\r\n")
                self.assertEqual(self.launch(), expected)

    def test_the_ini_form_beside_the_program_wins(self):
        self.write_registry("[Brivak 3.0\\General]\nStartupMode=1\n")
        with open(os.path.join(self.bin, "settings.ini"), "w") as f:
            f.write("[General]\nStartupMode=0\n")
        self.assertEqual(self.launch(), "")


if __name__ == "__main__":
    unittest.main()
