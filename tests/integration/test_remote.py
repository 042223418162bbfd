"""The real brivak3's remote control: HTTP commands on TCP 8777, discovery on UDP 8777, security
events to MasterIP:8778. Each test runs its own locker in a private HOME; traffic stays on
127.0.0.1 and 127.0.0.2."""
import os
import pwd
import re
import socket
import time
import unittest

from harness import (DISCOVERY_PORT, EVENT_PORT, LOOPBACK, OTHER_LOOPBACK, HttpReply, connect,
                     http_exchange, http_get, http_request, locker_sandbox, query_text, read_all,
                     wait_for)

PASSWORD = "s3cret pass"
MASTER = LOOPBACK

RECORD_TAGS = ["computername", "internalip", "mac", "group", "status", "idletime", "uptime",
               "currentuser", "brivakversion", "comments", "masterip", "layout", "rdp", "cpu", "ram",
               "locktime"]
PAGE_START = "<HTML><BODY><B>200 "
PAGE_END = "</B></BODY></HTML>\r\n"
DOTTED = re.compile(r"^\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3}$")


def good(**more):
    """Query text with the administrator's password (single-user mode: any user name)."""
    return query_text(s_username="", s_password=PASSWORD, **more)


def bad(user="intruder", **more):
    return query_text(s_username=user, s_password="wrong", **more)


def page_lines(reply):
    """The reply texts of a page reply's body, one per page line."""
    lines = reply.body.split(PAGE_END)
    if lines[-1] != "":
        raise AssertionError(f"page body does not end with a page line: {reply.body!r}")
    texts = []
    for line in lines[:-1]:
        if not line.startswith(PAGE_START):
            raise AssertionError(f"not a page line: {line!r}")
        texts.append(line[len(PAGE_START):])
    return texts


def parse_record(text):
    """The status record's sixteen elements as [(tag, value)], checking the framing on the way."""
    elements = []
    for part in text.split("\r"):
        m = re.fullmatch(r"<([a-z]+)>(.*)</\1>", part, re.S)
        if not m:
            raise AssertionError(f"not a tagged element: {part!r} in {text!r}")
        elements.append((m.group(1), m.group(2)))
    return elements


class RemoteTestBase(unittest.TestCase):
    def setUp(self):
        # The listed addresses are served only while remote access is on.
        self.box = locker_sandbox(self, PASSWORD, MasterIP=MASTER, AllowedRemoteIPs="127.0.9.9\r\n127.0.0.*")

    def start_locker(self):
        self.proc = self.box.start_locker("-tray")
        return self.proc

    def assert_status_only(self, reply, text):
        self.assertEqual(reply.status_line, f"HTTP/1.1 200 {text}", reply)
        self.assertEqual(reply.headers.get("content-length"), "0", reply)
        self.assertEqual(reply.body, "", reply)
        self.assertNotIn("content-type", reply.headers)
        self.assertEqual(reply.headers.get("server"), "Brivak3")
        self.assertEqual(reply.headers.get("connection"), "close")

    def assert_page(self, reply, texts, data=False):
        """A page reply: "OK" or the single-line text in the status line, the page lines in the body,
        Content-Length counting the body; data replies are declared as plain text."""
        self.assertEqual(reply.status, 200, reply)
        self.assertEqual(page_lines(reply), texts, reply)
        self.assertEqual(int(reply.headers["content-length"]), len(reply.body.encode("latin-1")))
        if data:
            self.assertEqual(reply.headers.get("content-type"), "text/plain")
            self.assertEqual(reply.headers.get("x-content-type-options"), "nosniff")
        else:
            self.assertNotIn("content-type", reply.headers)

    def query(self, source=None):
        """The status record as a dict, asked with the administrator's password."""
        reply = http_get("/query?" + good(), source=source)
        self.assertEqual(reply.status_line, "HTTP/1.1 200 OK", reply)
        texts = page_lines(reply)
        self.assertEqual(len(texts), 1, reply)
        return dict(parse_record(texts[0]))

    def wait_status(self, status, timeout=10):
        return wait_for(lambda: self.query()["status"] == status, timeout, interval=0.05,
                        what=f"status {status}")


class QueryTest(RemoteTestBase):
    def test_query_with_credentials_answers_the_status_record(self):
        self.start_locker()
        reply = http_get("/query?" + good())
        self.assertEqual(reply.status_line, "HTTP/1.1 200 OK")
        texts = page_lines(reply)
        self.assertEqual(len(texts), 1, reply)
        self.assert_page(reply, texts, data=True)
        record_text = texts[0]
        self.assertNotIn("\n", record_text)
        self.assertFalse(record_text.endswith("\r"))
        elements = parse_record(record_text)
        self.assertEqual([tag for tag, _ in elements], RECORD_TAGS)
        record = dict(elements)
        self.assertEqual(record["status"], "Unlocked")
        self.assertEqual(record["brivakversion"], "3.1.0.0")
        self.assertEqual(record["masterip"], MASTER)
        self.assertEqual(record["comments"], "comment")
        self.assertEqual(record["ram"], "0")
        self.assertEqual(record["rdp"], "0")
        self.assertEqual(record["layout"], "bluegeneric.html")
        self.assertEqual(record["computername"], socket.gethostname())
        self.assertEqual(record["currentuser"], pwd.getpwuid(os.geteuid()).pw_name)
        self.assertRegex(record["internalip"], DOTTED)
        self.assertRegex(record["mac"], r"^[0-9A-F]*$")
        for tag in ("idletime", "uptime", "cpu", "locktime"):
            self.assertRegex(record[tag], r"^\d+$", tag)

    def test_query_without_right_credentials_is_refused_and_logged(self):
        self.start_locker()
        targets = ["/query", "/query?s_username=&s_password=", "/query?" + bad(user=""), "/query?" + bad()]
        for i, target in enumerate(targets, start=1):
            with self.subTest(target=target):
                reply = http_get(target)
                self.assert_status_only(reply, "unauthenticated,  you are not admin")
                self.box.wait_log(f"Unsuccessful remote Query by {LOOPBACK}", count=i)
        self.assertEqual(self.box.log_texts().count(f"Unsuccessful remote Query by {LOOPBACK}"), len(targets))

    def test_query_word_anywhere_in_the_path_answers_only_the_query(self):
        self.start_locker()
        reply = http_get("/lock/query?" + good())
        self.assertEqual(reply.status_line, "HTTP/1.1 200 OK")
        self.assertEqual(dict(parse_record(page_lines(reply)[0]))["status"], "Unlocked")
        self.assertNotIn(f"Locked by remote address {LOOPBACK}", self.box.log_texts())


class AddressFilterTest(RemoteTestBase):
    def test_refused_address_gets_an_empty_ok_and_nothing_happens(self):
        self.start_locker()
        # The start's last line follows the self-test; the comparison starts after it.
        self.box.wait_log("Starting Brivak")
        before = self.box.log_texts()
        targets = ["/query?" + good(), "/lock?" + good(), "/unlock?" + bad(), "/halt?" + good(),
                   "/getuserlist?" + good()]
        for target in targets:
            with self.subTest(target=target):
                reply = http_get(target, source=OTHER_LOOPBACK)
                self.assert_status_only(reply, "OK")
                self.assertEqual(reply.raw, b"HTTP/1.1 200 OK\r\nServer: Brivak3\r\nConnection: close\r\n"
                                            b"Content-Length: 0\r\n\r\n")
        self.assertEqual(self.box.log_texts(), before, "a refused address writes no log line")
        record = self.query()
        self.assertEqual(record["status"], "Unlocked", "the refused /lock must not lock")
        self.assertNotIn("Launching lock screen...", self.box.output(self.proc))
        self.assertEqual(self.box.log_texts(), before)


class DiscoveryTest(RemoteTestBase):
    def udp_client(self):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(sock.close)
        sock.bind((LOOPBACK, 0))
        return sock

    def test_query_datagram_is_answered_with_one_byte_to_its_source_port(self):
        self.start_locker()
        first = self.query()["internalip"][:1]
        self.assertTrue(first, "the locker has an address")
        sock = self.udp_client()
        sock.sendto(b"/query?sendto=127.0.0.1", (LOOPBACK, DISCOVERY_PORT))
        sock.settimeout(5)
        data, source = sock.recvfrom(8192)
        self.assertEqual(data, first.encode("ascii"))
        self.assertEqual(source, (LOOPBACK, DISCOVERY_PORT))
        sock.settimeout(0.3)
        with self.assertRaises(socket.timeout, msg="exactly one answer per query"):
            sock.recvfrom(8192)

    def test_datagram_without_the_query_word_gets_no_answer(self):
        self.start_locker()
        first = self.query()["internalip"][:1]
        sock = self.udp_client()
        # The endpoint handles datagrams in order: any answer to the first two would arrive before
        # the answer to the third, the only one that asks.
        sock.sendto(b"hello locker", (LOOPBACK, DISCOVERY_PORT))
        sock.sendto(b"/QUERY?sendto=127.0.0.1", (LOOPBACK, DISCOVERY_PORT))
        sock.sendto(b"who is there /query? x", (LOOPBACK, DISCOVERY_PORT))
        sock.settimeout(5)
        data, _ = sock.recvfrom(8192)
        self.assertEqual(data, first.encode("ascii"))
        sock.settimeout(0.3)
        with self.assertRaises(socket.timeout, msg="only the datagram holding \"/query?\" is answered"):
            sock.recvfrom(8192)


class LockUnlockTest(RemoteTestBase):
    def test_lock_refused_unlock_message_and_good_unlock(self):
        events = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(events.close)
        events.bind((LOOPBACK, EVENT_PORT))
        self.start_locker()

        reply = http_get("/lock?" + good())
        self.assert_page(reply, ["locked"])
        self.assertEqual(reply.reason, "locked")
        self.box.wait_log(f"Locked by remote address {LOOPBACK}")
        self.wait_status("Locked")

        reply = http_get("/unlock?" + bad(user="mallory"))
        self.assert_page(reply, ["cant Shutdown, not authenticated"])
        self.assertEqual(reply.reason, "cant Shutdown, not authenticated")
        events.settimeout(10)
        data, _ = events.recvfrom(8192)
        self.assertEqual(data, b"/se:Incorrect username/password entered for user: mallory")
        self.box.wait_log(f"Unsuccessful Shutdown attempt by remote address {LOOPBACK}")
        self.box.wait_log("Security Event: Incorrect username/password entered for user: mallory")
        self.assertEqual(self.query()["status"], "Locked")

        reply = http_get("/unlock?" + good())
        self.assert_page(reply, ["unlocking"])
        self.assertEqual(reply.reason, "unlocking")
        self.wait_status("Unlocked")
        self.box.wait_log(f"Shutdown by remote address {LOOPBACK}")
        self.box.wait_log("Brivak Shutdown")
        texts = self.box.log_texts()
        self.assertLess(texts.index(f"Shutdown by remote address {LOOPBACK}"), texts.index("Brivak Shutdown"))

        events.settimeout(0.3)
        with self.assertRaises(socket.timeout, msg="one security event for one refused unlock"):
            events.recvfrom(8192)

        # A second lock takes notes left remotely. A command word inside a parameter value (query
        # or form body) performs nothing: the note is filed and the lock still stands. (The reader
        # that an unlock would open for them needs a person, so this lock is not ended here.)
        reply = http_get("/lock?" + good())
        self.assert_page(reply, ["locked"])
        self.wait_status("Locked")
        for n, (method, target, body) in enumerate([
                ("GET", "/remotemessage?" + good(mfrom="eve", msubject="s1", mbody="/unlock now"), b""),
                ("POST", "/remotemessage", good(mfrom="eve", msubject="s2", mbody="please /unlock").encode()),
        ], start=1):
            with self.subTest(method=method):
                headers = {"Content-Type": "application/x-www-form-urlencoded"} if body else None
                reply = http_request(method, target, body=body, headers=headers)
                self.assert_page(reply, ["leaving msg..."])
                self.box.wait_log(f"Message from remote address {LOOPBACK}", count=n)
                # The note is filed on the main loop after it was queued; then the lock still stands.
                wait_for(lambda: self.box.output(self.proc).count(
                    "You received a message from remote address.") >= n, 15,
                    what=f"note {n} filed by the lock")
                self.assertEqual(self.query()["status"], "Locked")
        self.assertEqual(self.box.log_texts().count(f"Shutdown by remote address {LOOPBACK}"), 1)


class IdleConnectionTest(RemoteTestBase):
    def open_idle(self, sources):
        socks = []
        for source in sources:
            sock = connect(source=source)
            self.addCleanup(sock.close)
            socks.append(sock)
        return socks

    def assert_loopback_answered_quickly(self):
        started = time.monotonic()
        record = self.query()
        elapsed = time.monotonic() - started
        self.assertEqual(record["status"], "Unlocked")
        self.assertLess(elapsed, 2.0, "the loopback request waited for idle connections")

    def test_idle_connections_from_one_address_do_not_block_loopback(self):
        self.start_locker()
        self.open_idle([OTHER_LOOPBACK] * 10)
        self.assert_loopback_answered_quickly()

    def test_idle_connections_filling_the_server_do_not_block_loopback(self):
        self.start_locker()
        self.open_idle([f"127.0.0.{i}" for i in range(2, 12)])
        self.assert_loopback_answered_quickly()


class MalformedRequestTest(RemoteTestBase):
    def exchange_half_closed(self, data):
        """Sends `data`, ends the sending side, and returns what the server sends until it closes."""
        with connect() as sock:
            sock.sendall(data)
            sock.shutdown(socket.SHUT_WR)
            return read_all(sock, time.monotonic() + 10)

    def test_oversized_and_malformed_requests_are_refused_and_the_server_goes_on(self):
        self.start_locker()
        big_body = b"mbody=" + b"x" * (100 * 1024)
        cases = [
            ("long request line", 414,
             b"GET /query?" + b"a" * (20 * 1024) + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"),
            ("one huge header field", 431,
             b"GET /query HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Filler: " + b"b" * (20 * 1024) + b"\r\n\r\n"),
            ("many header fields", 431,
             b"GET /query HTTP/1.1\r\nHost: 127.0.0.1\r\n"
             + b"".join(b"X-F%d: %s\r\n" % (i, b"c" * 500) for i in range(64)) + b"\r\n"),
            ("oversized POST body", 413,
             b"POST /remotemessage HTTP/1.1\r\nHost: 127.0.0.1\r\n"
             b"Content-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\n\r\n" % len(big_body)
             + big_body),
            ("garbage line", 400, b"GARBAGE\r\n\r\n"),
            ("NUL burst with line ends", 400, b"\x00" * 512 + b"\r\n\r\n"),
        ]
        for name, status, data in cases:
            with self.subTest(name):
                reply = HttpReply(http_exchange(data))
                self.assertEqual(reply.status, status, reply)
                self.assertEqual(reply.headers.get("connection"), "close")
                self.assertEqual(int(reply.headers["content-length"]), len(reply.body))
                self.assertEqual(self.query()["status"], "Unlocked")

        # A NUL burst that is never followed by a line end: the stream ends inside the request.
        with self.subTest("lone NUL burst"):
            reply = HttpReply(self.exchange_half_closed(b"\x00" * 512))
            self.assertEqual(reply.status, 400, reply)
            self.assertEqual(self.query()["status"], "Unlocked")
        self.assertEqual(self.box.log_texts().count(f"Message from remote address {LOOPBACK}"), 0)


if __name__ == "__main__":
    unittest.main()
