"""The real brivak3 as single instance: day log start, second start, stop requests, INI import."""
import os
import socket
import unittest

from harness import Sandbox, wait_for

TIME = r"\d{1,2}:\d{2}:\d{2} [AP]M"


def read_ini(path):
    """Minimal INI reader: {section: {key: value}} keeping the stored spelling."""
    sections, current = {}, None
    with open(path, encoding="utf-8") as f:
        for raw in f.read().splitlines():
            line = raw.strip()
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current.setdefault(key.strip(), value.strip())
    return sections


class InstanceTest(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        self.addCleanup(self.box.close)

    def start_instance(self):
        proc = self.box.start("-tray")
        self.box.wait_log("Starting Brivak")
        self.assertIsNone(proc.poll(), "the instance ended on its own")
        return proc

    def test_day_log_begins_with_header_and_start_lines(self):
        self.start_instance()
        lines = self.box.day_log()
        self.assertRegex(lines[0], r"^-- Brivak3 log file -- created \d{1,2}/\d{1,2}/\d{4} " + TIME + "$")
        self.assertEqual(lines[1:4], ["", "", ""], "two empty lines after the header, then the start's blank line")
        self.assertRegex(lines[4], r"^\[" + TIME + r"\] dpr: start! : -tray$")
        texts = self.box.log_texts()
        self.assertLess(texts.index("dpr: start! : -tray"), texts.index("Starting Brivak"))
        self.assertTrue(os.path.isdir(os.path.join(self.box.app_data, "Logs")))

    def test_second_start_wakes_the_instance_and_ends(self):
        first = self.start_instance()
        for args in ([], ["/R"]):  # "/R" is not a stop request: an ordinary second start
            second = self.box.run(*args)
            self.assertEqual(second.returncode, 0)
        self.box.wait_log("dpr: AppIsRunning = true, so exit", count=2)
        self.assertIsNone(first.poll(), "the first instance must keep running")
        wait_for(lambda: "Launching lock screen..." in self.box.output(first), what="the woken instance's lock launch")

    def test_stop_request_ends_the_instance(self):
        for stopper in (["/r"], ["-halt"]):
            with self.subTest(stopper=stopper):
                first = self.box.start("-tray")
                self.box.wait_log("Starting Brivak", count=1 + (stopper == ["-halt"]))
                stop = self.box.run(*stopper)
                self.assertEqual(stop.returncode, 0)
                self.assertEqual(first.wait(timeout=10), 0)
        texts = self.box.log_texts()
        self.assertIn("dpr: /r in paramstr", texts)
        self.assertIn("Message posted, exiting this instance.", texts)
        self.assertNotIn("FindWindow resulted in 0!", texts)

    def test_stop_request_without_instance(self):
        stop = self.box.run("/r")
        self.assertEqual(stop.returncode, 0)
        texts = self.box.log_texts()
        i = texts.index("dpr: /r in paramstr")
        self.assertEqual(texts[i + 1:i + 3], ["FindWindow resulted in 0!", "Message posted, exiting this instance."])

    def test_taken_port_fails_the_self_test_and_waits_for_the_user(self):
        blocker = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.addCleanup(blocker.close)
        blocker.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)  # past TIME_WAIT of earlier tests
        blocker.bind(("127.0.0.1", 8777))
        blocker.listen(1)
        proc = self.box.start("-tray")
        wait_for(lambda: "Please check your firewall settings. Click any area to exit." in self.box.output(proc),
                 what="the self-test's failure lines")
        out = self.box.output(proc)
        self.assertIn("Can not connect via HTTP to 127.0.0.1:8777 Err # 6", out)
        self.assertIn("Brivak requires a connection to 127.0.0.1 to function.", out)
        self.assertNotIn("Connectivity established", out)
        self.assertIsNone(proc.poll(), "the program stays with its console after a failed self-test")
        self.assertEqual(self.box.run("/r").returncode, 0)
        self.assertEqual(proc.wait(timeout=10), 0)
        self.assertNotIn("Launching lock screen...", self.box.output(proc))

    def test_settings_ini_with_import_flag_is_imported_and_deleted(self):
        ini = os.path.join(self.box.bin_dir, "settings.ini")
        with open(ini, "wb") as f:
            f.write(b"[Deployment]\r\nimportINI=1\r\n")
        self.start_instance()
        self.assertFalse(os.path.exists(ini), "settings.ini must be deleted after the import")
        reg = read_ini(self.box.registry)
        self.assertEqual(oct(os.stat(self.box.registry).st_mode & 0o777), oct(0o600))
        self.assertEqual(reg["Brivak 3.0\\Security"]["StopTaskMgr"], "1")
        self.assertEqual(reg["Brivak 3.0\\ScreenSavers"]["loadSaverOnStartup"], "1")
        self.assertEqual(reg["Brivak 3.0\\ScreenSavers"]["idleDelay"], "120")
        self.assertEqual(reg["Brivak 3.0\\General"]["ShowSysInfoPanel"], "0")
        self.assertEqual(reg["Brivak 3.0\\Settings"]["firstRun"], "0")
        self.assertTrue(reg["Brivak 3.0\\General"]["LayoutFile"].endswith("layouts/html/bluegeneric.html"))


if __name__ == "__main__":
    unittest.main()
