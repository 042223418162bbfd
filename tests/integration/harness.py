"""Runs brivak3 in a private HOME and waits on what it writes, with deadlines (never fixed sleeps)."""
import os
import shutil
import subprocess
import tempfile
import time

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


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


class Sandbox:
    """A temporary HOME with its own copy of brivak3 (so that settings.ini can sit beside it)."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="brivak-it-")
        self.home = os.path.join(self.root, "home")
        self.bin_dir = os.path.join(self.root, "bin")
        os.makedirs(self.home)
        os.makedirs(self.bin_dir)
        self.exe = os.path.join(self.bin_dir, "brivak3")
        shutil.copy2(os.environ["BRIVAK3"], self.exe)
        self.app_data = os.path.join(self.home, ".local", "share", "Brivak 3.0")
        self.registry = os.path.join(self.home, ".config", "brivak", "registry.ini")
        self.procs = []

    def env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("XDG_") and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["HOME"] = self.home
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        return env

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

    def wait_log(self, text, count=1, timeout=15):
        return wait_for(lambda: self.log_texts().count(text) >= count, timeout,
                        what=f"log line {text!r} x{count}")

    def close(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        shutil.rmtree(self.root, ignore_errors=True)
