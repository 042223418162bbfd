"""HTTP /standby and /hibernate of the real brivak3 really put the machine to sleep through logind
(python3-dbusmock's logind template on a private system bus): from the tray the locker locks
first, covers both monitors of the private Xvfb, and only then calls Suspend (or Hibernate), not
interactively; the reply says "Standing by.." only when logind accepted, and says the failure when
it refused."""
import os
import unittest

from desktop import wait_uncovered
from harness import http_get, query_text, wait_for
from locked_desktop import LockedDesktopTest, locker_settings
from system_bus import PrivateBus

PASSWORD = "Sleep pass 7"
LOGIND = ("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager")
REFUSE = ("raise dbus.exceptions.DBusException('sleep is not allowed here', "
          "name='org.freedesktop.login1.NotSupported')")


class StandbyTest(LockedDesktopTest):
    def setUp(self):
        super().setUp()
        self.box.write_registry(locker_settings(PASSWORD, Security={"idleLock": "0"}, Logging={"LogBrivakStart": "1"}))
        self.bus = PrivateBus(os.path.join(self.box.root, "bus"), "system").start()
        self.addCleanup(self.bus.stop)
        self.bus.start_template("logind", LOGIND[0])
        self.box.extra_env.update(self.bus.env())

    def sleep_calls(self):
        return [(call[1], call[2]) for call in self.bus.method_calls(LOGIND[0], LOGIND[1])
                if call[1] in ("Suspend", "Hibernate")]

    def test_standby_and_hibernate_lock_first_and_reply_what_logind_answered(self):
        # (path, logind method, reply when accepted, reply start when refused, log line)
        cases = [("/standby", "Suspend", "Standing by..", "Standby failed: ", "System going into Stand By"),
                 ("/hibernate", "Hibernate", "Hibernating...", "Hibernate failed: ", "System going into Hibernate")]
        self.box.start_locker("-tray")
        for number, (path, method, accepted, refused, going) in enumerate(cases, 1):
            with self.subTest(path=path):
                before = len(self.sleep_calls())
                reply = http_get(f"{path}?" + query_text(s_username="", s_password=PASSWORD), timeout=20)
                self.assertEqual(reply.status, 200)
                self.assertEqual(reply.reason, accepted, reply)
                # Every monitor was covered when logind was asked: the lock started before the
                # request line, and the screens are covered now.
                self.assertEqual(self.desktop.monitor_red(), [0, 0])
                self.assertEqual(self.sleep_calls()[before:], [(method, [False])], "not interactive, once")
                texts = self.box.log_texts()
                started = max(i for i, t in enumerate(texts) if t.startswith("Brivak 3.1 started by "))
                self.assertLess(started, texts.index(going), "locked first, then asked")

                # logind refuses: the reply says so, and the lock stays.
                self.bus.call(LOGIND[0], LOGIND[1], "org.freedesktop.DBus.Mock", "AddMethod",
                              [LOGIND[2], method, "b", "", REFUSE], signature="sssss")
                reply = http_get(f"{path}?" + query_text(s_username="", s_password=PASSWORD), timeout=20)
                self.assertTrue(reply.reason.startswith(refused), reply)
                self.assertIn("sleep is not allowed here", reply.reason)
                self.assertTrue(any(t.startswith(refused.replace("Standby", "Stand By"))
                                    for t in self.box.log_texts()))
                self.assertEqual(self.desktop.monitor_red(), [0, 0])

                # Unlock for the next case.
                http_get("/unlock?" + query_text(s_username="", s_password=PASSWORD))
                wait_uncovered(self.desktop)
                wait_for(lambda: self.box.output(self.box.procs[0]).count("Closing window...") >= number, 10,
                         what="the end of the lock")


if __name__ == "__main__":
    unittest.main()
