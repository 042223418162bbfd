"""The fixture of the lock-screen tests: one private two-monitor desktop per test class, and for each
test a fresh sandbox with the shipped layouts beside the program, as an installation has them."""

import os
import shutil
import unittest

from desktop import Desktop, PixelSampler, wait_uncovered
from harness import Sandbox, sha1_hex

# XGrabKeyboard's answer while another client (the lock) holds the keyboard.
ALREADY_GRABBED = 1
SOURCE_LAYOUTS = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                               "layouts"))


def locker_settings(password, **sections):
    """The registry of a locker test: no first-run dialog, the administrator `password` in
    single-user mode, the SLF layout (the browser engine stays off), events to loopback and the day
    log on. Each keyword names a section whose keys are added or replaced."""
    settings = {
        "Settings": {"firstRun": "0"},
        "General": {"LayoutMode": "0"},
        "Security": {"passwordHash": sha1_hex(password), "multiUser": "0", "MasterIP": "127.0.0.1"},
        "Logging": {"DoLog": "1"},
    }
    for section, keys in sections.items():
        settings.setdefault(section, {}).update(keys)
    return settings


class LockedDesktopTest(unittest.TestCase):
    """Starts the desktop once per class; each test begins on a bare desktop with `self.box`."""

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop().start()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()

    def setUp(self):
        wait_uncovered(self.desktop)
        self.box = Sandbox(display=self.desktop.display)
        self.addCleanup(self.box.close)
        shutil.copytree(SOURCE_LAYOUTS, os.path.join(self.box.bin_dir, "layouts"))

    def pixel_sampler(self, **options):
        """A sampler of the desktop's pixels, closed at the end of the test."""
        sampler = PixelSampler(self.desktop.display, **options)
        self.addCleanup(sampler.close)
        return sampler
