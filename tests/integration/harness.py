"""Runs brivak3 in a private HOME and waits on what it writes, with deadlines (never fixed sleeps);
talks to it over raw sockets so that exact status lines and source addresses can be checked."""
import errno
import hashlib
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.parse

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


# The locker's fixed ports: commands (TCP) and discovery (UDP) on 8777, event reports to 8778.
HTTP_PORT = 8777
DISCOVERY_PORT = 8777
EVENT_PORT = 8778
LOOPBACK = "127.0.0.1"
# Another loopback address: the machine itself, but not the exact text the address filter lets in.
OTHER_LOOPBACK = "127.0.0.2"


def wait_for(predicate, timeout=15.0, interval=0.02, what="condition"):
    """Polls `predicate` until it returns a true value or the deadline passes."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


def stop_process(proc, timeout=10):
    """Ends `proc` with SIGTERM, or SIGKILL when it is still running after `timeout` seconds.
    True when it ended by itself or on SIGTERM, False when it had to be killed."""
    if proc.poll() is not None:
        return True
    proc.terminate()
    try:
        proc.wait(timeout=timeout)
        return True
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        return False


def serve_until(stopping, receive, handle):
    """The loop of a test server thread: `receive()` blocks on a socket with a short timeout and
    `handle` gets what it returns, until the event `stopping` is set or the socket is closed."""
    while not stopping.is_set():
        try:
            item = receive()
        except socket.timeout:
            continue
        except OSError:
            return
        handle(item)


def sha1_hex(password):
    """The stored form of a password: SHA-1 of its bytes as 40 lower-case hex digits."""
    return hashlib.sha1(password.encode("latin-1")).hexdigest()


def query_text(**fields):
    """"a=1&b=2" with every value percent-escaped (a slash stays a slash, as browsers send it)."""
    return "&".join(f"{k}={urllib.parse.quote(v, safe='/')}" for k, v in fields.items())


class HttpReply:
    """One reply as received: the exact status line, the header fields (names in lower case) and
    the body, all as bytes decoded one byte per character."""

    def __init__(self, raw):
        self.raw = raw
        head, sep, body = raw.partition(b"\r\n\r\n")
        if not sep:
            raise AssertionError(f"no complete reply header in {raw[:200]!r}")
        lines = head.decode("latin-1").split("\r\n")
        self.status_line = lines[0]
        parts = self.status_line.split(" ", 2)
        self.version = parts[0]
        self.status = int(parts[1])
        self.reason = parts[2] if len(parts) > 2 else ""
        self.headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            self.headers[name.strip().lower()] = value.strip()
        self.body = body.decode("latin-1")

    def __repr__(self):
        return f"HttpReply({self.raw[:300]!r})"


def connect(host=LOOPBACK, port=HTTP_PORT, source=None, timeout=5.0):
    """A TCP connection to the locker, optionally from the given source address."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.settimeout(timeout)
    try:
        if source is not None:
            sock.bind((source, 0))
        sock.connect((host, port))
    except BaseException:
        sock.close()
        raise
    return sock


def read_all(sock, deadline):
    """Reads until the peer closes the connection or `deadline` (time.monotonic) passes."""
    chunks = []
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            raise AssertionError(f"the reply did not end in time; got {b''.join(chunks)[:300]!r}")
        sock.settimeout(left)
        try:
            chunk = sock.recv(65536)
        except ConnectionResetError:
            break
        if not chunk:
            break
        chunks.append(chunk)
    return b"".join(chunks)


def http_exchange(data, host=LOOPBACK, port=HTTP_PORT, source=None, timeout=10.0):
    """Sends raw request bytes and returns every byte the server sends until it closes."""
    deadline = time.monotonic() + timeout
    with connect(host, port, source, timeout) as sock:
        try:
            sock.sendall(data)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the server may answer and close before it has read everything
        return read_all(sock, deadline)


def http_request(method, target, body=b"", headers=None, source=None, timeout=10.0):
    """One HTTP/1.1 request on a connection of its own; returns the parsed HttpReply."""
    lines = [f"{method} {target} HTTP/1.1", f"Host: {LOOPBACK}:{HTTP_PORT}"]
    for name, value in (headers or {}).items():
        lines.append(f"{name}: {value}")
    if body or method == "POST":
        lines.append(f"Content-Length: {len(body)}")
    data = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body
    return HttpReply(http_exchange(data, source=source, timeout=timeout))


def http_get(target, source=None, timeout=10.0):
    return http_request("GET", target, source=source, timeout=timeout)


def port_is_free(port, kind=socket.SOCK_STREAM):
    """True when nothing else holds `port` on the loopback (TCP: listening; UDP: bound)."""
    with socket.socket(socket.AF_INET, kind) as sock:
        if kind == socket.SOCK_STREAM:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)  # TIME_WAIT does not count
        try:
            sock.bind(("0.0.0.0", port))
        except OSError as e:
            if e.errno == errno.EADDRINUSE:
                return False
            raise
    return True


def wait_ports_free(timeout=30.0):
    """The locker's ports are fixed: wait until no other program (an earlier test's locker) holds
    them, so that a test never talks to a locker that is not its own."""
    wait_for(lambda: port_is_free(HTTP_PORT) and port_is_free(DISCOVERY_PORT, socket.SOCK_DGRAM),
             timeout, interval=0.1, what=f"ports {HTTP_PORT}/tcp and {DISCOVERY_PORT}/udp to be free")


class Sandbox:
    """A temporary HOME with its own copy of brivak3 (so that settings.ini can sit beside it)."""

    def __init__(self, display=None):
        """`display`: the X display (":N") the locker runs on; without one it runs on Qt's offscreen
        platform (no windows on any screen, no grabs, no hotkey)."""
        self.display = display
        self.root = tempfile.mkdtemp(prefix="brivak-it-")
        self.home = os.path.join(self.root, "home")
        self.bin_dir = os.path.join(self.root, "bin")
        os.makedirs(self.home)
        os.makedirs(self.bin_dir)
        self.exe = os.path.join(self.bin_dir, "brivak3")
        shutil.copy2(os.environ["BRIVAK3"], self.exe)
        # Variables added to the program's environment (a private bus's address, ...).
        self.extra_env = {}
        # The lock's watchdog sits beside the program, as in an installation.
        watchdog = os.path.join(os.path.dirname(os.environ["BRIVAK3"]), "brivak3-watchdog")
        self.watchdog_exe = os.path.join(self.bin_dir, "brivak3-watchdog")
        if os.path.exists(watchdog):
            shutil.copy2(watchdog, self.watchdog_exe)
        self.app_data = os.path.join(self.home, ".local", "share", "Brivak 3.0")
        self.registry = os.path.join(self.home, ".config", "brivak", "registry.ini")
        self.procs = []

    def env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("XDG_") and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["HOME"] = self.home
        # Never the machine's buses: without a private bus of the test the program finds none.
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + os.path.join(self.root, "no-system-bus")
        env.update(self.extra_env)
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        env.pop("QT_QPA_PLATFORM", None)
        if self.display:
            env["DISPLAY"] = self.display
        else:
            env["QT_QPA_PLATFORM"] = "offscreen"
        # Leaks inside the system's font and toolkit libraries are theirs, not ours.
        supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "lsan.supp")
        env.setdefault("LSAN_OPTIONS", f"suppressions={os.path.normpath(supp)}")
        return env

    def write_registry(self, sections):
        """Writes registry.ini before the start: {"Security": {"MasterIP": "127.0.0.1"}, ...} goes
        to the sections "[Brivak 3.0\\Security]"...; values are stored as given (booleans "1"/"0"),
        with a backslash doubled and each line break (CR LF or LF) written as "\\n".
        Folder 0700, file 0600."""
        os.makedirs(os.path.dirname(self.registry), mode=0o700, exist_ok=True)
        lines = []
        for section, values in sections.items():
            lines.append(f"[Brivak 3.0\\{section}]")
            for key, value in values.items():
                text = str(value).replace("\\", "\\\\").replace("\r\n", "\\n").replace("\n", "\\n")
                lines.append(f"{key}={text}")
            lines.append("")
        fd = os.open(self.registry, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        os.chmod(self.registry, 0o600)

    def start(self, *args):
        out = open(os.path.join(self.root, f"out-{len(self.procs)}.txt"), "wb")
        proc = subprocess.Popen([self.exe, *args], env=self.env(), stdout=out,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        proc.out_path = out.name
        out.close()
        self.procs.append(proc)
        return proc

    def run(self, *args, timeout=15):
        """Starts brivak3 and waits for it to end; returns the process."""
        proc = self.start(*args)
        proc.wait(timeout=timeout)
        return proc

    def output(self, proc):
        with open(proc.out_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def day_log_path(self):
        t = time.localtime()
        name = f"{MONTHS[t.tm_mon - 1]}-{t.tm_mday:02d}-{t.tm_year % 100:02d}.txt"
        return os.path.join(self.app_data, "Logs", name)

    def day_log(self):
        """Today's day log as a list of lines (CR LF ends), empty when there is none yet."""
        try:
            with open(self.day_log_path(), "rb") as f:
                data = f.read().decode("utf-8")
        except FileNotFoundError:
            return []
        return data.split("\r\n")

    def log_texts(self):
        """The texts of the day log's lines with their "[time] " stamps removed."""
        texts = []
        for line in self.day_log():
            if line.startswith("[") and "] " in line:
                texts.append(line.split("] ", 1)[1])
            else:
                texts.append(line)
        return texts

    def wait_output(self, proc, text, timeout=15):
        """Waits until the process's console output holds `text`."""
        return wait_for(lambda: text in self.output(proc), timeout, what=f"console text {text!r}")

    def start_locker(self, *args, timeout=30):
        """Starts the instance once the fixed ports are free and waits until its own HTTP
        self-test has passed."""
        wait_ports_free()
        proc = self.start(*args)
        wait_for(lambda: "Connectivity established" in self.output(proc) or proc.poll() is not None,
                 timeout, what="the locker's connectivity self-test")
        if proc.poll() is not None or "Can not connect" in self.output(proc):
            raise AssertionError("the locker did not start:\n" + self.output(proc))
        return proc

    def wait_log(self, text, count=1, timeout=15):
        return wait_for(lambda: self.log_texts().count(text) >= count, timeout,
                        what=f"log line {text!r} x{count}")

    def programs(self, exe):
        """Process ids of every running program started from `exe` (the sandbox's own copies),
        also those the test did not start itself (a watchdog, a brivak3 the watchdog started)."""
        pids = []
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    if os.readlink(f"/proc/{entry}/exe") == exe:
                        pids.append(int(entry))
                except OSError:
                    pass
        return pids

    def stop_programs(self, exe, timeout=10):
        """Ends every program started from `exe`: SIGTERM, then SIGKILL after `timeout` seconds."""
        for sig, wait in ((signal.SIGTERM, timeout), (signal.SIGKILL, 5)):
            for pid in self.programs(exe):
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            try:
                wait_for(lambda: not self.programs(exe), wait, interval=0.05, what=f"{exe} to end")
                return
            except AssertionError:
                continue

    def close(self):
        # The watchdog first: it would start brivak3 again.
        self.stop_programs(self.watchdog_exe)
        for proc in self.procs:
            stop_process(proc)
        self.stop_programs(self.exe)
        for proc in self.procs:
            if proc.poll() is None:
                proc.wait(timeout=5)
        shutil.rmtree(self.root, ignore_errors=True)


def locker_sandbox(test, password, **security):
    """A Sandbox closed when `test` ends, holding the registry of a single-user locker whose
    administrator password is `password` and whose master is the loopback; remote unlocking is off.
    `security` adds or overrides keys of the "Security" section."""
    box = Sandbox()
    test.addCleanup(box.close)
    box.write_registry({
        "Settings": {"firstRun": "0"},
        "Security": {"passwordHash": sha1_hex(password), "MasterIP": LOOPBACK, "multiUser": "0",
                     "allowRemoteUnlocking": "0", **security},
    })
    return box
