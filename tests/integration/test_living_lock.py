"""The living lock screen with the real brivak3 on the private two-monitor Xvfb: the bar along the
bottom of the primary monitor in its colour, a remote note filed while locked and shown in the
reader when the lock ends, the away-message picker that gives up by itself, and a note left
through the note form."""
import os
import unittest

from desktop import MONITORS, wait_covered, wait_uncovered
from harness import http_get, query_text, wait_for
from locked_desktop import ALREADY_GRABBED, LockedDesktopTest, locker_settings

PASSWORD = "Open sesame 1"
# Where the shipped simple.ini puts the "Leave a Message" button (its centre).
LEAVE_MESSAGE_BUTTON = (712, 668)


def build_dir():
    return os.environ.get("BRIVAK_BUILD_DIR") or os.path.dirname(os.environ["BRIVAK3"])


class LivingLockTest(LockedDesktopTest):
    def registry(self, **messages):
        self.box.write_registry(locker_settings(PASSWORD, Logging={"LogBrivakStart": "1", "LogBrivakExit": "1"},
                                                Messages=messages))

    def start_locked(self):
        self.proc = self.box.start_locker()
        try:
            wait_covered(self.desktop, timeout=30)
        except AssertionError:
            raise AssertionError("not covered; locker output:\n" + self.box.output(self.proc))
        wait_for(lambda: self.desktop.keyboard_grab_status() == ALREADY_GRABBED, 10, what="the keyboard grab")

    def window_exists(self, title):
        found = self.desktop.run("xdotool", "search", "--onlyvisible", "--name", "^" + title + "$", check=False)
        return found.returncode == 0 and found.stdout.strip() != b""

    def pixel(self, shot, x, y):
        width, _, rgb = shot
        i = (y * width + x) * 3
        return tuple(rgb[i:i + 3])

    def test_the_bar_runs_along_the_bottom_of_the_primary_monitor_in_its_colour(self):
        self.registry()
        self.start_locked()
        wait_for(lambda: "Brivak Ready" in self.box.output(self.proc) or
                 "Drawing the screen..." in self.box.output(self.proc), 10, what="the end of the start-up")
        _, left, top, width, height = MONITORS[0]
        bar = (48, 48, 48)  # $00303030
        # Below the notebook and left of the panel: nothing but the bar's own colour.
        wait_for(lambda: self.pixel(self.desktop.screenshot(), left + 700, top + height - 3) == bar, 10,
                 what="the bar's colour at the bottom of the primary monitor")
        shot = self.desktop.screenshot()
        self.assertEqual(self.pixel(shot, left + 700, top + height - 84), bar, "85 pixels high")
        self.assertNotEqual(self.pixel(shot, left + 700, top + height - 90), bar, "and no higher")
        _, r_left, r_top, r_width, r_height = MONITORS[1]
        self.assertEqual(self.pixel(shot, r_left + 700, r_top + r_height - 3), (0, 0, 0),
                         "the other monitor is only covered")
        self.desktop.save_png(os.path.join(build_dir(), "screenshots", "living_lock.png"))

    def test_a_remote_note_sent_while_locked_waits_in_the_reader_at_the_unlock(self):
        self.registry()
        self.start_locked()
        reply = http_get("/remotemessage?" + query_text(s_username="", s_password=PASSWORD, mfrom="Admin",
                                                          msubject="Printer", mbody="Paper is in the cupboard",
                                                          memail="admin@example.org"))
        self.assertIn("leaving msg...", reply.body)
        self.box.wait_output(self.proc, "You received a message from remote address.")
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(lambda: self.window_exists("Messages"), 15, what="the message reader at the unlock")
        self.assertEqual(self.desktop.monitor_red(), [0, 0], "the reader shows while the screens stay covered")
        self.assertTrue(self.window_exists("Messages"), "the unlock waits for the reader to close")
        self.assertNotIn("Closing window...", self.box.output(self.proc))
        self.desktop.key("Escape")
        wait_uncovered(self.desktop)
        self.box.wait_log("Brivak Shutdown")
        self.assertIsNone(self.proc.poll())

    def test_the_away_message_picker_gives_up_by_itself_and_the_lock_holds(self):
        self.registry(PromptForAwayMsg="1", secsBeforeDefaultMsg="2")
        self.proc = self.box.start_locker()
        wait_for(lambda: self.window_exists("Away Message"), 30, what="the away-message picker")
        self.assertEqual(self.desktop.monitor_red(), [0, 0], "the picker waits above covered monitors")
        self.assertEqual(self.desktop.keyboard_grab_status(), ALREADY_GRABBED, "and with the input held")
        wait_for(lambda: not self.window_exists("Away Message"), 4, what="the picker to close by itself")
        self.assertTrue(self.desktop.covered(), "the lock holds")
        self.assertEqual(self.desktop.keyboard_grab_status(), ALREADY_GRABBED)
        self.assertIn("Prompting for Away Message..", self.box.output(self.proc))
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_uncovered(self.desktop)

    def test_a_note_left_through_the_note_form_is_counted(self):
        self.registry(askName="1")
        self.start_locked()
        x, y = LEAVE_MESSAGE_BUTTON
        self.desktop.run("xdotool", "mousemove", str(x), str(y), "click", "1")
        wait_for(lambda: self.window_exists("Leave a Secure Note"), 10, what="the note form")
        self.desktop.type_text("Visitor")
        self.desktop.key("Tab", "Tab", "Tab")  # the e-mail panel is hidden: on to the message box
        self.desktop.type_text("Came by at noon")
        self.desktop.key("alt+l")  # "&Leave Note"
        self.box.wait_log("Note left by: Visitor")
        wait_for(lambda: not self.window_exists("Leave a Secure Note"), 10, what="the note form to close")
        # The count goes to the reader at the end: the note is there.
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_for(lambda: self.window_exists("Messages"), 15, what="the reader with the note")
        self.desktop.key("Escape")
        wait_uncovered(self.desktop)

    def test_query_reports_the_processor_load(self):
        self.registry()
        self.start_locked()
        reply = http_get("/query?" + query_text(s_username="", s_password=PASSWORD))
        body = reply.body
        self.assertIn("<cpu>", body)
        cpu = int(body.split("<cpu>")[1].split("</cpu>")[0])
        self.assertTrue(0 <= cpu <= 100, body)
        self.desktop.type_text(PASSWORD)
        self.desktop.key("Return")
        wait_uncovered(self.desktop)


if __name__ == "__main__":
    unittest.main()
