"""Power events of the real brivak3 from a private system bus (python3-dbusmock's logind and upower
templates): logind's PrepareForSleep gives the console lines, the lock screen's "Power Suspended"
and "Power Resumed" lines and "/pe:" datagrams to MasterIP:8778 (a listener on 127.0.0.1); UPower
gives "Battery is low." and the empty text for a change of power source. A missing bus or
service is said once."""
import os
import socket
import unittest

from harness import EVENT_PORT, LOOPBACK, Sandbox, sha1_hex, wait_for
from system_bus import PrivateBus

PASSWORD = "Power pass 5"
LOGIND = ("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager")
UPOWER = ("org.freedesktop.UPower", "/org/freedesktop/UPower")
DISPLAY_DEVICE = "/org/freedesktop/UPower/devices/DisplayDevice"
NO_BUS = "No system bus: suspend, resume and battery events are not reported."
NO_UPOWER = "UPower is not on the system bus: battery and power source changes are not reported."
NO_LOGIND = "logind is not on the system bus: suspend and resume are not reported."


class EventListener:
    """The master station's event port on the loopback."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((LOOPBACK, EVENT_PORT))
        self.sock.settimeout(10)

    def receive(self):
        data, _ = self.sock.recvfrom(4096)
        return data.decode("latin-1")

    def close(self):
        self.sock.close()


class PowerEventsTest(unittest.TestCase):
    def sandbox(self, report="1"):
        box = Sandbox()
        self.addCleanup(box.close)
        box.write_registry({
            "Settings": {"firstRun": "0", "LayoutMode": "0"},
            "Security": {"passwordHash": sha1_hex(PASSWORD), "multiUser": "0", "MasterIP": LOOPBACK,
                         "idleLock": "0", "reportPowerEvents": report, "reportSecurityEvents": "0"},
            "Logging": {"DoLog": "1", "LogBrivakStart": "1"},
        })
        return box

    def private_bus(self, box, *templates):
        bus = PrivateBus(os.path.join(box.root, "bus"), "system").start()
        self.addCleanup(bus.stop)
        for template, name in templates:
            bus.start_template(template, name)
        box.extra_env.update(bus.env())
        return bus

    def listener(self):
        listener = EventListener()
        self.addCleanup(listener.close)
        return listener

    def test_sleep_battery_and_power_source_reach_the_master_and_the_lock_screen_log(self):
        box = self.sandbox()
        bus = self.private_bus(box, ("logind", LOGIND[0]), ("upower", UPOWER[0]))
        events = self.listener()
        proc = box.start_locker()  # locks at once
        wait_for(lambda: any(t.startswith("Brivak 3.1 started by ") for t in box.log_texts()), 15,
                 what="the lock")

        bus.emit_signal(*LOGIND, "PrepareForSleep", "b", [True])
        self.assertEqual(events.receive(), "/pe:System is suspending...")
        box.wait_log("Power Suspended")
        bus.emit_signal(*LOGIND, "PrepareForSleep", "b", [False])
        self.assertEqual(events.receive(), "/pe:System is resuming operations after suspending...")
        box.wait_log("Power Resumed")

        bus.call(UPOWER[0], UPOWER[1], "org.freedesktop.DBus.Mock", "SetDeviceProperties",
                 [DISPLAY_DEVICE, {"WarningLevel": 3}], signature="oa{sv}")
        self.assertEqual(events.receive(), "/pe:Battery is low.")
        bus.call(UPOWER[0], UPOWER[1], "org.freedesktop.DBus.Properties", "Set",
                 ["org.freedesktop.UPower", "OnBattery", True], signature="ssv")
        self.assertEqual(events.receive(), "/pe:")

        out = box.output(proc)
        for line in ("System is suspending...", "System is resuming operations after suspending...",
                     "Battery is low."):
            self.assertIn(line, out)
        for missing in (NO_BUS, NO_UPOWER, NO_LOGIND):
            self.assertNotIn(missing, out)

    def test_missing_bus_or_service_is_said_once_and_the_rest_goes_on(self):
        # No bus at all.
        box = self.sandbox()
        proc = box.start_locker("-tray")
        box.wait_output(proc, NO_BUS)
        self.assertEqual(box.output(proc).count(NO_BUS), 1)
        box.close()

        # logind without UPower: UPower is missing, suspend is still reported.
        box = self.sandbox()
        bus = self.private_bus(box, ("logind", LOGIND[0]))
        events = self.listener()
        proc = box.start_locker("-tray")
        box.wait_output(proc, NO_UPOWER)
        bus.emit_signal(*LOGIND, "PrepareForSleep", "b", [True])
        self.assertEqual(events.receive(), "/pe:System is suspending...")
        out = box.output(proc)
        self.assertEqual(out.count(NO_UPOWER), 1)
        self.assertNotIn(NO_LOGIND, out)
        self.assertNotIn("Power Suspended", box.log_texts(), "only the lock screen writes that line")

    def test_report_power_events_off_sends_nothing(self):
        box = self.sandbox(report="0")
        bus = self.private_bus(box, ("logind", LOGIND[0]))
        events = self.listener()
        proc = box.start_locker("-tray")
        bus.emit_signal(*LOGIND, "PrepareForSleep", "b", [True])
        bus.emit_signal(*LOGIND, "PrepareForSleep", "b", [False])
        # The resume's console line comes after the suspend's whole handling, send included, so a
        # suspend report would be waiting on the socket by now (loopback delivers at once).
        box.wait_output(proc, "System is resuming operations after suspending...")
        events.sock.settimeout(0)
        with self.assertRaises(BlockingIOError):
            events.sock.recvfrom(4096)


if __name__ == "__main__":
    unittest.main()
