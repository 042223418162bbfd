"""kill -9 of the real brivak3 while it saves its settings: the store is replaced atomically, so it
holds the old or the new content, never a part. The stores are padded with a large section of
their own (kept by every read-modify-write), so that a save takes long enough to be caught: the
test waits for the save's temporary file to appear beside the store and kills the program then."""
import os
import signal
import time
import unittest

from harness import LOOPBACK, Sandbox, http_get, query_text, sha1_hex, wait_for

PASSWORD = "crash pass"
PADDING_KEYS = 120000
ROUNDS = 3


def good():
    return query_text(s_username="", s_password=PASSWORD)


def padding_lines():
    return ["[Padding]"] + [f"key{i}=value number {i} of the padding that must survive" for i in range(PADDING_KEYS)]


def check_whole(test, path, old):
    """The store is the old bytes, or a whole new file: every padding key with its value, the
    administrator's hash, and a last line that ends."""
    with open(path, "rb") as f:
        data = f.read()
    if data == old:
        return "old"
    text = data.decode("utf-8")
    test.assertTrue(text.endswith("\r\n"), f"the file ends inside a line: {text[-80:]!r}")
    lines = text.split("\r\n")
    start = lines.index("[Padding]")
    for i in range(PADDING_KEYS):
        expected = f"key{i}=value number {i} of the padding that must survive"
        if lines[start + 1 + i] != expected:
            test.fail(f"padding line {i} is {lines[start + 1 + i]!r}")
    test.assertIn(f"passwordHash={sha1_hex(PASSWORD)}", lines)
    return "new"


class CrashDuringSaveTest(unittest.TestCase):
    def run_rounds(self, box, store, write_store):
        """Each round: start, lock, unlock (the end of a lock saves the settings), and kill -9 as
        soon as the save's temporary file exists."""
        folder, name = os.path.split(store)
        caught = 0
        for n in range(ROUNDS):
            with self.subTest(round=n):
                write_store()
                with open(store, "rb") as f:
                    old = f.read()
                proc = box.start_locker("-tray")
                self.assertEqual(http_get("/lock?" + good()).status, 200)
                wait_for(lambda: "<status>Locked</status>" in http_get("/query?" + good()).body, 15,
                         interval=0.05, what="the lock")
                before = set(os.listdir(folder))
                self.assertEqual(http_get("/unlock?" + good()).status, 200)
                temporary = None
                deadline = time.monotonic() + 20
                while time.monotonic() < deadline and temporary is None and proc.poll() is None:
                    fresh = [e for e in os.listdir(folder)
                             if e.startswith(name + ".") and e != name + ".lock" and e not in before]
                    if fresh:
                        temporary = fresh[0]
                self.assertIsNotNone(temporary, "the save's temporary file never appeared")
                os.kill(proc.pid, signal.SIGKILL)
                proc.wait(timeout=10)
                self.assertEqual(proc.returncode, -signal.SIGKILL)
                # Whole: the content from before the round, or that of a save that completed (the
                # end of a lock saves more than once).
                check_whole(self, store, old)
                if os.path.exists(os.path.join(folder, temporary)):
                    caught += 1  # killed before the rename of the save it was in
                # The program starts again on what it left, and knows its password.
                proc = box.start_locker("-tray")
                self.assertIn("<status>Unlocked</status>", http_get("/query?" + good()).body)
                os.kill(proc.pid, signal.SIGKILL)
                proc.wait(timeout=10)
        self.assertGreater(caught, 0, "no round killed the program in the middle of a save")

    def test_registry_form(self):
        box = Sandbox()
        self.addCleanup(box.close)

        def write_store():
            box.write_registry({
                "Settings": {"firstRun": "0"},
                "General": {"LayoutMode": "0"},
                "Security": {"passwordHash": sha1_hex(PASSWORD), "MasterIP": LOOPBACK, "multiUser": "0",
                             "allowRemoteUnlocking": "0"},
            })
            with open(box.registry, "a", encoding="utf-8") as f:
                f.write("\n" + "\n".join(padding_lines()) + "\n")

        self.run_rounds(box, box.registry, write_store)

    def test_ini_form(self):
        box = Sandbox()
        self.addCleanup(box.close)
        store = os.path.join(box.bin_dir, "settings.ini")

        def write_store():
            lines = ["[General]", "LayoutMode=0", "[Security]", f"passwordHash={sha1_hex(PASSWORD)}",
                     f"MasterIP={LOOPBACK}", "multiUser=0", "allowRemoteUnlocking=0", ""]
            fd = os.open(store, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
            with os.fdopen(fd, "w", encoding="utf-8") as f:
                f.write("\n".join(lines + padding_lines()) + "\n")

        self.run_rounds(box, store, write_store)


if __name__ == "__main__":
    unittest.main()
