"""Runs the headless brivakmanager in a temporary HOME: a user list and a login file of its own,
settings given with -set, commands written to its stdin, its stdout kept in a file, and the
computer list read from its status file (one line per computer: name, address, status, user)."""
import os
import shutil
import subprocess
import tempfile
import time

from harness import sha1_hex, stop_process, wait_for

MANAGER_USER = "admin"


def write_owner_only(path, text):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "w", encoding="latin-1") as f:
        f.write(text)


def write_manager_accounts(root, password, user=MANAGER_USER):
    """The manager's own user list in `root`, holding the administrator `user`, and an owner-only
    login file naming `user` and `password` (the manager refuses one others may read).
    Returns (user list path, login file path)."""
    userlist = os.path.join(root, "userlist.dat")
    write_owner_only(userlist, f"[{user}]\nPassword={sha1_hex(password)}\nPermissions=2\n")
    login = os.path.join(root, "login")
    write_owner_only(login, f"{user}\n{password}\n")
    return userlist, login


class HeadlessManager:
    def __init__(self, password, settings=None, extra_args=(), home=None):
        """`home`: a HOME of an earlier run to use again (its registry.ini is kept)."""
        self.root = tempfile.mkdtemp(prefix="brivak-mgr-")
        self.home = home or os.path.join(self.root, "home")
        os.makedirs(self.home, exist_ok=True)
        self.registry = os.path.join(self.home, ".config", "brivak", "registry.ini")
        self.userlist, self.login = write_manager_accounts(self.root, password)
        self.status_path = os.path.join(self.root, "computers.txt")
        self.out_path = os.path.join(self.root, "manager-out.txt")
        values = {"broadcastip": "127.255.255.255", "wolip": "127.0.0.1", "startip": "127.0.0.1",
                  "endip": "127.0.0.1", "udptimeout": "500", "autorefresh": "0"}
        values.update(settings or {})
        args = [os.environ["BRIVAKMANAGER"], "-headless", "-login", self.login, "-userlist", self.userlist,
                "-statusfile", self.status_path, "-localip", "127.0.0.1", *extra_args]
        for key, value in values.items():
            args += ["-set", f"{key}={value}"]
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env["HOME"] = self.home
        with open(self.out_path, "wb") as out:
            self.proc = subprocess.Popen(args, env=env, stdin=subprocess.PIPE, stdout=out, stderr=subprocess.STDOUT)

    def send(self, line):
        self.proc.stdin.write((line + "\n").encode("latin-1"))
        self.proc.stdin.flush()

    def output(self):
        with open(self.out_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def lines(self):
        return self.output().splitlines()

    def wait_output(self, text, timeout=20, count=1):
        return wait_for(lambda: self.output().count(text) >= count or self._died(), timeout,
                        what=f"manager output {text!r}") and self._check_alive(text, count)

    def _died(self):
        return self.proc.poll() is not None

    def _check_alive(self, text, count):
        if self.output().count(text) < count:
            raise AssertionError(f"the manager ended before writing {text!r}:\n{self.output()}")
        return True

    def computers(self):
        """The status file: {name: (address, status, user)}."""
        try:
            with open(self.status_path, encoding="utf-8") as f:
                rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
        except FileNotFoundError:
            return {}
        return {r[0]: tuple(r[1:]) for r in rows if len(r) >= 4}

    def wait_computers(self, predicate, timeout=30, what="computer list"):
        """Waits until `predicate` holds for the computer list; returns that list."""
        found = {}

        def check():
            found["list"] = self.computers()
            return predicate(found["list"])
        wait_for(check, timeout, interval=0.05, what=what)
        return found["list"]

    def stop(self):
        """SIGTERM; returns the exit code (the manager must end by itself, cleanly)."""
        if not stop_process(self.proc, timeout=20):
            raise AssertionError("the manager did not end on SIGTERM:\n" + self.output())
        self.proc.stdin.close()
        return self.proc.returncode

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if not self.proc.stdin.closed:
            self.proc.stdin.close()
        shutil.rmtree(self.root, ignore_errors=True)


def today_text():
    t = time.localtime()
    return f"{t.tm_mon}/{t.tm_mday}/{t.tm_year}"
