"""Private D-Bus buses with python3-dbusmock services for the integration tests.

A test never touches the machine's own buses: `PrivateBus` starts a dbus-daemon of its own on a
socket in the test's folder, and `env()` gives the variables that point a program at it
(`DBUS_SYSTEM_BUS_ADDRESS` for the "system" bus, `DBUS_SESSION_BUS_ADDRESS` for the "session" bus).
`start_template` runs one of dbusmock's templates (logind, upower, networkmanager,
notification_daemon, ...) on it and waits until its name is owned. Calls into the mocks
(`call`, `emit_signal`, `method_calls`) go through Debian's /usr/bin/python3, which has the dbus
module, whatever python3 runs the test."""

import json
import os
import subprocess
import time

DEBIAN_PYTHON = "/usr/bin/python3"

# Runs one D-Bus method call described by a JSON argument and prints its result as JSON.
_CALL_TOOL = r"""
import json, sys
import dbus
req = json.loads(sys.argv[1])
bus = dbus.bus.BusConnection(req["address"])
obj = bus.get_object(req["name"], req["path"])
method = obj.get_dbus_method(req["method"], req["interface"])
kwargs = {"timeout": req.get("timeout", 10)}
if req.get("signature") is not None:
    kwargs["signature"] = req["signature"]
args = req.get("args", [])
result = method(*args, **kwargs)
def plain(v):
    if isinstance(v, (dbus.Array, list, tuple, dbus.Struct)):
        return [plain(x) for x in v]
    if isinstance(v, dbus.Dictionary):
        return {str(k): plain(x) for k, x in v.items()}
    if isinstance(v, dbus.Boolean):
        return bool(v)
    if isinstance(v, (dbus.String, dbus.ObjectPath, dbus.Signature)):
        return str(v)
    if isinstance(v, (dbus.Byte, dbus.Int16, dbus.Int32, dbus.Int64, dbus.UInt16, dbus.UInt32, dbus.UInt64)):
        return int(v)
    if isinstance(v, dbus.Double):
        return float(v)
    return v
print(json.dumps(plain(result)))
"""

# Emits a signal through dbusmock's EmitSignal (the "av" argument needs typed values).
_EMIT_TOOL = r"""
import json, sys
import dbus
req = json.loads(sys.argv[1])
bus = dbus.bus.BusConnection(req["address"])
obj = bus.get_object(req["name"], req["path"])
mock = dbus.Interface(obj, "org.freedesktop.DBus.Mock")
sig = req["signature"]
types = {"b": dbus.Boolean, "s": dbus.String, "u": dbus.UInt32, "i": dbus.Int32,
         "t": dbus.UInt64, "x": dbus.Int64, "d": dbus.Double, "o": dbus.ObjectPath}
values = [types[c](v) for c, v in zip(sig, req["args"])]
mock.EmitSignal(req["interface"], req["signal"], sig, values)
"""


class PrivateBus:
    """One dbus-daemon of the test's own. `kind` is "system" or "session": it only decides which
    environment variable `env()` sets; the daemon itself allows everything, as a session bus does."""

    def __init__(self, folder, kind="system"):
        self.folder = folder
        self.kind = kind
        self.address = None
        self.daemon = None
        self.services = []

    def start(self):
        os.makedirs(self.folder, exist_ok=True)
        socket_path = os.path.join(self.folder, f"{self.kind}_bus_socket")
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
             f"--address=unix:path={socket_path}"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=self._clean_env())
        line = self.daemon.stdout.readline().decode().strip()
        if not line:
            self.stop()
            raise AssertionError("dbus-daemon did not report its address")
        self.address = line
        return self

    def env(self):
        """The variables that point a program at this bus (and only at it)."""
        var = "DBUS_SYSTEM_BUS_ADDRESS" if self.kind == "system" else "DBUS_SESSION_BUS_ADDRESS"
        return {var: self.address}

    def start_template(self, template, bus_name, parameters=None, timeout=15.0):
        """Starts dbusmock's `template` and waits until `bus_name` is owned on this bus."""
        argv = [DEBIAN_PYTHON, "-m", "dbusmock", "--template", template]
        if self.kind == "system":
            argv.insert(3, "--system")
        if parameters:
            argv += ["--parameters", json.dumps(parameters)]
        env = self._clean_env()
        env.update(self.env())
        proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        self.services.append(proc)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if proc.poll() is not None:
                raise AssertionError(f"dbusmock {template} ended: {proc.stderr.read().decode()}")
            if self.name_has_owner(bus_name):
                return proc
            time.sleep(0.05)  # polling the bus for the name; bounded by the deadline
        raise AssertionError(f"dbusmock {template} did not take {bus_name} within {timeout} s")

    def name_has_owner(self, bus_name):
        return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", [bus_name])

    def call(self, name, path, interface, method, args=None, signature=None, timeout=10):
        """One method call; returns its result converted to plain Python values."""
        req = {"address": self.address, "name": name, "path": path, "interface": interface,
               "method": method, "args": args or [], "signature": signature, "timeout": timeout}
        out = subprocess.run([DEBIAN_PYTHON, "-c", _CALL_TOOL, json.dumps(req)],
                             capture_output=True, timeout=timeout + 10, env=self._clean_env())
        if out.returncode != 0:
            raise AssertionError(f"D-Bus call {interface}.{method} failed: {out.stderr.decode()}")
        text = out.stdout.decode().strip()
        return json.loads(text) if text else None

    def emit_signal(self, name, path, interface, signal, signature, args):
        """Makes the mock object at `name`/`path` emit `interface`.`signal`."""
        req = {"address": self.address, "name": name, "path": path, "interface": interface,
               "signal": signal, "signature": signature, "args": list(args)}
        out = subprocess.run([DEBIAN_PYTHON, "-c", _EMIT_TOOL, json.dumps(req)],
                             capture_output=True, timeout=20, env=self._clean_env())
        if out.returncode != 0:
            raise AssertionError(f"EmitSignal {interface}.{signal} failed: {out.stderr.decode()}")

    def method_calls(self, name, path):
        """The calls the mock object received, as [timestamp, method, [args]] lists."""
        return self.call(name, path, "org.freedesktop.DBus.Mock", "GetCalls")

    def stop(self):
        for proc in self.services:
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.services = []
        if self.daemon and self.daemon.poll() is None:
            self.daemon.terminate()
            try:
                self.daemon.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.daemon.kill()
                self.daemon.wait()
        if self.daemon and self.daemon.stdout:
            self.daemon.stdout.close()
        self.daemon = None

    @staticmethod
    def _clean_env():
        """The environment without the machine's bus addresses, so nothing reaches its buses."""
        env = dict(os.environ)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("DBUS_SYSTEM_BUS_ADDRESS", None)
        return env

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
