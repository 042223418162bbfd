"""The manager's web interface in a real browser: the headless brivakmanager serves it, headless
Chromium (driven by web_driver.js through playwright-core) logs in, lists the computers, opens a
computer's page, locks and unlocks a real brivak3, and shows a locker name holding markup as text.
Screenshots of the pages go to $BRIVAK_BUILD_DIR/screenshots/web-*.png. Loopback only; every wait
has a deadline."""
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from harness import (DISCOVERY_PORT, HTTP_PORT, LOOPBACK, http_get, locker_sandbox,  # noqa: E402
                     query_text, serve_until, stop_process, wait_for, wait_ports_free)
from manager_harness import write_manager_accounts  # noqa: E402

USER = "webadmin"
PASSWORD = "s3cret pass"
# The simulated locker's address: another loopback address, so that it never meets a real locker.
SIM_ADDRESS = "127.0.0.2"
MARKUP_NAME = "<b>x</b>"
DRIVER_LIMIT = 120  # seconds for one browser run (the driver cuts itself off sooner)


def screenshot_path(name):
    folder = os.path.join(os.environ.get("BRIVAK_BUILD_DIR", tempfile.gettempdir()), "screenshots")
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, f"web-{name}.png")


def drive(action, base, name=None, screenshot=None, caption=None):
    """One browser run of web_driver.js; returns its JSON outcome, failing on a driver error."""
    config = {"base": base, "user": USER, "password": PASSWORD, "action": action, "name": name,
              "caption": caption, "screenshot": screenshot_path(screenshot) if screenshot else None}
    proc = subprocess.run(["node", os.path.join(HERE, "web_driver.js"), json.dumps(config)],
                          cwd=HERE, capture_output=True, timeout=DRIVER_LIMIT, stdin=subprocess.DEVNULL)
    lines = proc.stdout.decode("utf-8", "replace").strip().splitlines()
    if not lines:
        raise AssertionError(f"web driver gave nothing ({proc.returncode}): {proc.stderr.decode()[-2000:]}")
    result = json.loads(lines[-1])
    if "error" in result:
        raise AssertionError(f"web driver failed on {action}: {result['error']}")
    return result


class Manager:
    """brivakmanager -headless in a private HOME, logged in from an owner-only file, with its own
    user list (one Admin), discovery aimed at `broadcast` and the web server on a free port."""

    def __init__(self, broadcast):
        self.root = tempfile.mkdtemp(prefix="brivak-web-")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.home)
        self.status_file = os.path.join(self.root, "status.txt")
        users, login = write_manager_accounts(self.root, PASSWORD, user=USER)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("XDG_") and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["HOME"] = self.home
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        args = [os.environ["BRIVAKMANAGER"], "-headless", "-login", login, "-userlist", users,
                "-statusfile", self.status_file, "-eventport", "0", "-localip", LOOPBACK]
        for key, value in [("enablewebserver", "1"), ("webserverport", "0"), ("broadcastip", broadcast),
                           ("startip", broadcast), ("endip", broadcast), ("wolip", LOOPBACK),
                           ("autorefresh", "0")]:
            args += ["-set", f"{key}={value}"]
        self.out_path = os.path.join(self.root, "out.txt")
        with open(self.out_path, "wb") as out:
            self.proc = subprocess.Popen(args, env=env, stdout=out, stderr=subprocess.STDOUT,
                                         stdin=subprocess.PIPE)

    def output(self):
        with open(self.out_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def web_base(self):
        """Waits for "Web server listening on port N." and gives the interface's address."""
        def port():
            if self.proc.poll() is not None:
                raise AssertionError("the manager ended:\n" + self.output())
            for line in self.output().splitlines():
                if line.startswith("Web server listening on port "):
                    return line[len("Web server listening on port "):].rstrip(".")
            return None
        return f"http://{LOOPBACK}:{wait_for(port, 30, what='the web server')}"

    def computers(self):
        try:
            with open(self.status_file, encoding="utf-8") as f:
                return [line.rstrip("\n").split("\t") for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def wait_listed(self, address, timeout=30):
        return wait_for(lambda: next((c for c in self.computers() if len(c) > 1 and c[1] == address), None),
                        timeout, interval=0.05, what=f"{address} in the manager's list")

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
            except OSError:
                pass
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                stop_process(self.proc)
        if self.proc.stdin:
            self.proc.stdin.close()
        shutil.rmtree(self.root, ignore_errors=True)


class SimulatedLocker:
    """Answers discovery datagrams on `address`:8777 (UDP) and status queries on `address`:8777
    (TCP) with a record naming the computer `name`; records every command target it gets."""

    def __init__(self, address, name):
        self.address = address
        self.name = name
        self.targets = []
        self.udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.udp.bind((address, DISCOVERY_PORT))
        self.udp.settimeout(0.2)
        self.tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.tcp.bind((address, HTTP_PORT))
        self.tcp.listen(16)
        self.tcp.settimeout(0.2)
        self.stopping = threading.Event()
        self.threads = [threading.Thread(target=self._serve_udp, daemon=True),
                        threading.Thread(target=self._serve_tcp, daemon=True)]
        for t in self.threads:
            t.start()

    def record(self):
        fields = [("computername", self.name), ("internalip", self.address), ("mac", "00-00-00-00-00-02"),
                  ("group", "WORKGROUP"), ("status", "Unlocked"), ("idletime", "5"), ("uptime", "3600"),
                  ("currentuser", "<i>user</i>"), ("brivakversion", "3.0"), ("comments", "a & b"),
                  ("masterip", LOOPBACK), ("layout", ""), ("rdp", "0"), ("cpu", "1"), ("ram", "2"),
                  ("locktime", "0")]
        return "\r".join(f"<{tag}>{value}</{tag}>" for tag, value in fields)

    def commands(self):
        return [t.split("?", 1)[0] for t in self.targets if not t.startswith("/query")]

    def _serve_udp(self):
        serve_until(self.stopping, lambda: self.udp.recvfrom(8192), self._answer_datagram)

    def _answer_datagram(self, received):
        data, source = received
        if b"/query?" in data:
            self.udp.sendto(self.address[:1].encode(), source)

    def _serve_tcp(self):
        serve_until(self.stopping, lambda: self.tcp.accept()[0], self._answer_connection)

    def _answer_connection(self, conn):
        with conn:
            conn.settimeout(5)
            data = b""
            try:
                while b"\r\n\r\n" not in data and len(data) < 65536:
                    chunk = conn.recv(4096)
                    if not chunk:
                        break
                    data += chunk
            except OSError:
                return
            target = data.split(b" ", 2)[1].decode("latin-1") if data.count(b" ") >= 2 else ""
            self.targets.append(target)
            # The locker's own replies: a page, or the status line's text alone.
            word = target.split("?", 1)[0]
            page, status_text = {"/standby": ("Standing by..", "OK"), "/hibernate": ("Hibernating...", "OK"),
                                 "/runupdatescript": (None, "Script was run."),
                                 "/unlock": ("unlocking", "OK")}.get(word, ("locked", "OK"))
            if word == "/query":
                page = self.record()
            body = f"<HTML><BODY><B>200 {page}</B></BODY></HTML>\r\n".encode("utf-8") if page else b""
            head = f"HTTP/1.1 200 {status_text}\r\nConnection: close\r\nContent-Length: {len(body)}\r\n\r\n"
            try:
                conn.sendall(head.encode("latin-1") + body)
            except OSError:
                pass

    def close(self):
        self.stopping.set()
        for t in self.threads:
            t.join(timeout=5)
        self.udp.close()
        self.tcp.close()


class WebWithRealLockerTest(unittest.TestCase):
    def setUp(self):
        self.box = locker_sandbox(self, PASSWORD, AllowedRemoteIPs="127.0.0.*")
        self.locker = self.box.start_locker("-tray")
        self.manager = Manager(broadcast=LOOPBACK)
        self.addCleanup(self.manager.close)

    def locker_status(self):
        reply = http_get("/query?" + query_text(s_username="", s_password=PASSWORD))
        self.assertEqual(reply.status, 200, reply)
        text = reply.body.split("<status>", 1)[1]
        return text.split("</status>", 1)[0]

    def wait_locker_status(self, status):
        return wait_for(lambda: self.locker_status() == status, 15, interval=0.05, what=f"locker {status}")

    def test_login_list_page_lock_and_unlock_in_the_browser(self):
        base = self.manager.web_base()
        name = self.manager.wait_listed(LOOPBACK)[0]
        self.assertTrue(name)

        refused = drive("unauthorized", base, screenshot=None)
        self.assertEqual(refused["status"], 401, refused)
        self.assertEqual(refused["challenge"], 'Basic realm="Brivak Mobile Manager"', refused)

        index = drive("index", base, screenshot="index")
        self.assertEqual(index["status"], 200, index)
        self.assertEqual([link["text"] for link in index["links"]], [name])
        self.assertTrue(index["links"][0]["href"].startswith("/view/computer?"), index)

        page = drive("view", base, name=name, screenshot="computer")
        self.assertEqual(page["status"], 200, page)
        self.assertEqual(page["heading"], {"text": name, "elementChildren": 0}, page)
        self.assertIn("Unlocked", page["text"])

        # A page of another site may link to a command: the browser sends it, the manager refuses.
        crossed = drive("crosssite", base, name=name, screenshot="crosssite")
        self.assertEqual(crossed["status"], 403, crossed)
        self.assertEqual(self.locker_status(), "Unlocked")

        locked = drive("lock", base, name=name, screenshot="lock")
        self.assertEqual(locked["status"], 200, locked)
        self.assertIn("Your lock request has been sent.", locked["text"])
        self.wait_locker_status("Locked")

        unlocked = drive("unlock", base, name=name, screenshot="unlock")
        self.assertEqual(unlocked["status"], 200, unlocked)
        self.assertIn("Your lock request has been sent.", unlocked["text"])
        self.wait_locker_status("Unlocked")


class WebMarkupNameTest(unittest.TestCase):
    def setUp(self):
        wait_ports_free()
        self.locker = SimulatedLocker(SIM_ADDRESS, MARKUP_NAME)
        self.addCleanup(self.locker.close)
        self.manager = Manager(broadcast=SIM_ADDRESS)
        self.addCleanup(self.manager.close)

    def test_a_name_holding_markup_is_shown_as_text(self):
        base = self.manager.web_base()
        self.assertEqual(self.manager.wait_listed(SIM_ADDRESS)[0], MARKUP_NAME)

        index = drive("index", base, screenshot="markup-index")
        self.assertEqual(index["status"], 200, index)
        self.assertEqual([link["text"] for link in index["links"]], [MARKUP_NAME])
        self.assertEqual(index["injectedBold"], 0, index)
        self.assertIn(MARKUP_NAME, index["text"])

        page = drive("view", base, name=MARKUP_NAME, screenshot="markup-computer")
        self.assertEqual(page["status"], 200, page)
        self.assertEqual(page["heading"], {"text": MARKUP_NAME, "elementChildren": 0}, page)
        self.assertEqual(page["injectedBold"], 0, page)
        self.assertIn("<i>user</i>", page["text"])
        self.assertIn("a & b", page["text"])

        locked = drive("lock", base, name=MARKUP_NAME)
        self.assertIn("Your lock request has been sent.", locked["text"])
        wait_for(lambda: any(t.startswith("/lock") for t in self.locker.targets), 10,
                 what="the lock command at the simulated locker")


class WebUtf8PhoneAndCommandsTest(unittest.TestCase):
    NAME = "Büro-Rechner ☕ Ærø"

    def setUp(self):
        wait_ports_free()
        self.locker = SimulatedLocker(SIM_ADDRESS, self.NAME)
        self.addCleanup(self.locker.close)
        self.manager = Manager(broadcast=SIM_ADDRESS)
        self.addCleanup(self.manager.close)

    def test_utf8_name_phone_sized_pages_and_the_other_commands(self):
        base = self.manager.web_base()
        self.assertEqual(self.manager.wait_listed(SIM_ADDRESS)[0], self.NAME)

        index = drive("index", base, screenshot="utf8-index")
        self.assertEqual([link["text"] for link in index["links"]], [self.NAME], index)
        page = drive("view", base, name=self.NAME, screenshot="utf8-computer")
        self.assertEqual(page["status"], 200, page)
        self.assertEqual(page["heading"], {"text": self.NAME, "elementChildren": 0}, page)

        # The three routes the lock test does not drive, each with the locker's own answer.
        for caption, route, answer in [("Stand by", "/standby", "done: Standing by.."),
                                       ("Hibernate", "/hibernate", "done: Hibernating..."),
                                       ("Run update script", "/runupdatescript", "done: Script was run.")]:
            sent = drive("command", base, name=self.NAME, caption=caption)
            self.assertEqual(sent["status"], 200, sent)
            self.assertIn(f"{self.NAME}: {answer}", sent["text"])
            wait_for(lambda: route in self.locker.commands(), 10, what=f"{route} at the simulated locker")
        self.assertIn("has been sent.", sent["text"])

        phone = drive("phone", base, name=self.NAME, screenshot="phone")
        for where in ("index", "view"):
            facts = phone[where]
            self.assertEqual(facts["width"], 390, facts)
            self.assertLessEqual(facts["scrollWidth"], 390, f"{where} overflows: {facts}")
            self.assertTrue(facts["buttons"], facts)
            for button in facts["buttons"]:
                self.assertGreaterEqual(button["height"], 44, f"{where}: {button}")
                self.assertLessEqual(button["right"], 390, f"{where}: {button}")
        self.assertEqual(phone["heading"], {"text": self.NAME, "elementChildren": 0}, phone)
        drive("view", base, name=self.NAME, screenshot="desktop-computer")


if __name__ == "__main__":
    unittest.main()
