"""The headless brivakmanager against a real brivak3 and against simulated lockers, all on the
loopback. The manager is observed through its stdout (log-panel lines and the results of the
commands written to its stdin) and its status file (the computer list)."""
import os
import socket
import unittest

from harness import (LOOPBACK, http_get, locker_sandbox, port_is_free, query_text, sha1_hex, wait_for,
                     wait_ports_free)
from locker_sim import LockerSimulator, sim_name
from manager_harness import HeadlessManager, today_text

PASSWORD = "s3cret pass"
EVENT_PORT = 8778


class ManagerWithRealLockerTest(unittest.TestCase):
    def setUp(self):
        self.box = locker_sandbox(self, PASSWORD, ReportSecurityEvents="1")
        # The locker's own user list, which "getuserlist" returns.
        os.makedirs(self.box.app_data, exist_ok=True)
        with open(os.path.join(self.box.app_data, "userlist.dat"), "w", encoding="latin-1") as f:
            f.write(f"[lockeradmin]\nPassword={sha1_hex(PASSWORD)}\nPermissions=2\n")

    def test_discovers_lists_commands_fetches_and_receives_a_security_event(self):
        wait_for(lambda: port_is_free(EVENT_PORT, socket.SOCK_DGRAM), 30, what="UDP port 8778 to be free")
        self.box.start_locker("-tray")
        manager = HeadlessManager(PASSWORD)
        self.addCleanup(manager.close)

        # Discovery by a broadcast to 127.255.255.255; the locker answers from 127.0.0.1.
        rows = manager.wait_computers(lambda c: any(v[0] == LOOPBACK for v in c.values()), what="the locker listed")
        name = next(k for k, v in rows.items() if v[0] == LOOPBACK)
        manager.wait_output("Found 1 good IP addresses:")
        self.assertIn("UDP Broadcast..", manager.lines())

        manager.send(f"lock {name}")
        manager.wait_output(f"RESULT lock {LOOPBACK} DONE locked")
        manager.send("discover")
        manager.wait_computers(lambda c: c.get(name, ("", ""))[1] == "Locked", what="status Locked")

        manager.send(f"userlist {name}")
        manager.wait_output(f"USERLIST {LOOPBACK} OK lockeradmin")

        # A refused unlock makes the locker report a security event to its master, the manager.
        http_get("/unlock?" + query_text(s_username="mallory", s_password="wrong"))
        manager.wait_output("UDP: Security Event: From 127.0.0.1:")
        self.assertTrue(any(line.startswith("UDP: Security Event: From 127.0.0.1:") and
                            line.endswith(" : Incorrect username/password entered for user: mallory")
                            for line in manager.lines()), manager.output())

        manager.send(f"unlock {name}")
        manager.wait_output(f"RESULT unlock {LOOPBACK} DONE unlocking")
        manager.send("discover")
        manager.wait_computers(lambda c: c.get(name, ("", ""))[1] == "Unlocked", what="status Unlocked")

        manager.send(f"getlog {name} {today_text()}")
        manager.wait_output(f"GETLOG {LOOPBACK} OK")
        manager.wait_output("END LOG")
        log_lines = [line[5:] for line in manager.lines() if line.startswith("LOG| ")]
        self.assertTrue(any(f"Locked by remote address {LOOPBACK}" in line for line in log_lines), log_lines)

        # No password in the manager's output.
        self.assertNotIn(PASSWORD, manager.output())
        self.assertEqual(manager.stop(), 0)
        self.assertIn("Brivak Manager stopped.", manager.output())


class ManagerWithSimulatedLockersTest(unittest.TestCase):
    COUNT = 50

    def test_discovers_and_lists_fifty_simulated_lockers(self):
        wait_ports_free()
        with LockerSimulator(self.COUNT) as sim:
            manager = HeadlessManager(PASSWORD, extra_args=["-eventport", "0"])
            self.addCleanup(manager.close)
            computers = manager.wait_computers(lambda c: len(c) >= self.COUNT, timeout=60,
                                               what=f"{self.COUNT} computers listed")
            manager.wait_output("DISCOVERY FINISHED complete", timeout=60)
            self.assertEqual(len(computers), self.COUNT)
            for i, address in enumerate(sim.addresses):
                self.assertEqual(computers[sim_name(i)][:2], (address, "Unlocked"))
            self.assertIn(f"Found {self.COUNT} good IP addresses:", manager.lines())
            manager.send("list")
            manager.wait_output("END LIST")
            self.assertEqual(sum(1 for line in manager.lines() if line.startswith("COMPUTER SIM-")), self.COUNT)
            self.assertEqual(manager.stop(), 0)


if __name__ == "__main__":
    unittest.main()
