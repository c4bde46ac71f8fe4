"""Weekday repeats, once-alarms and snooze, on the real binary with its wall clock faked."""
import signal
import time
import unittest

from harness import ALARM_MINUTE, FACE, ClockTestCase, wait_until
from settingsbytes import extension, settings_file

STOP = (FACE[0] + 68, FACE[1] + 113)  # the ringing face's stop button
MONDAY_TO_FRIDAY = 0x3E


class Weekdays(ClockTestCase):
    def start_at(self, at, data):
        """The face up and painted, then every clock of the process set to at."""
        self.run_.write(data)
        face = self.run_.start_at(at, every_clock=True)
        self.assertIsNotNone(face, "no face")
        return face

    def weekday_alarm(self, at, not_before=None):
        return self.start_at(at, settings_file(alarms=[(7, 30, "", 0, "Ring.wav")],
                                               days=[(MONDAY_TO_FRIDAY, 0)],
                                               not_before=not_before))

    def stays_silent(self, face, why):
        # Past 07:30:02 on the faked clock, looking all the while.
        deadline = time.monotonic() + 2.5
        while time.monotonic() < deadline:
            self.assertFalse(self.run_.ringing(face), why)
            time.sleep(0.2)

    def test_a_monday_to_friday_alarm_is_silent_on_saturday(self):
        face = self.weekday_alarm("2026-12-12 07:30:00")
        self.stays_silent(face, "rang on a Saturday")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_monday_to_friday_alarm_rings_on_monday(self):
        face = self.weekday_alarm("2026-12-14 07:30:00")
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2), "silent on a Monday")
        self.x.click(face[1] + STOP[0], face[2] + STOP[1])
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 5, 0.1))
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_skipped_monday_is_silent_and_tuesday_rings(self):
        # Monday's ring skipped: held back to Tuesday's local midnight, and still so after.
        tuesday = int(time.mktime((2026, 12, 15, 0, 0, 0, 0, 0, -1)))
        face = self.weekday_alarm("2026-12-14 07:30:00", not_before=[tuesday])
        self.stays_silent(face, "a skipped Monday rang")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        self.assertTrue(self.run_.read().endswith(
            extension([(MONDAY_TO_FRIDAY, 0)], not_before=[tuesday])))
        face = self.weekday_alarm("2026-12-15 07:30:00", not_before=[tuesday])
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2), "silent on Tuesday")
        self.x.click(face[1] + STOP[0], face[2] + STOP[1])
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_snooze_by_the_right_button_rings_again_after_a_minute(self):
        data = settings_file(alarms=[(7, 30, "起床", 1, "Ring.wav")], snooze=1)
        face = self.start_at(ALARM_MINUTE, data)
        jumps = self.run_.jumps
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2), "it never rang")
        time.sleep(0.5)
        self.x.click(face[1] + STOP[0], face[2] + STOP[1], button=3)
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 5, 0.1),
                        "the right button did not snooze")
        time.sleep(0.5)
        self.assertIsNone(self.x.message_box(), "a snooze showed the message")
        # Every clock of the process a few seconds short of the snooze's minute, then past it.
        jumps.forward(48)
        self.assertFalse(wait_until(lambda: self.run_.ringing(face), 1.5, 0.1), "rang too early")
        jumps.forward(12)
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 5, 0.1),
                        "the snoozed alarm never rang again")
        # The ring that is finally stopped shows its message.
        self.x.click(face[1] + STOP[0], face[2] + STOP[1])
        self.assertTrue(self.run_.answer_message_box(), "no message after the snooze")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_snooze_survives_a_kill_and_rings_after_the_restart(self):
        face = self.start_at(ALARM_MINUTE, settings_file(alarms=[(7, 30, "", 0, "Ring.wav")],
                                                         snooze=1))
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2), "it never rang")
        self.x.click(face[1] + STOP[0], face[2] + STOP[1], button=3)
        # Written at the snooze, on disk within a fifth of a second: a kill, no last save.
        time.sleep(1)
        self.run_.proc.send_signal(signal.SIGKILL)
        self.assertEqual(self.run_.wait_exit(), -signal.SIGKILL)
        face = self.run_.start_at("2026-12-09 07:31:20", every_clock=True)
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2),
                        "the snooze was lost in the restart")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_the_s_key_snoozes_once_the_face_has_the_focus(self):
        face = self.start_at(ALARM_MINUTE,
                             settings_file(alarms=[(7, 30, "起床", 1, "Ring.wav")]))
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2), "it never rang")
        self.x.click(face[1] + FACE[0] + 75, face[2] + FACE[1] + 60)  # the bell: no button
        time.sleep(0.3)
        self.x.keys("s")
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 3, 0.1), "S did not snooze")
        time.sleep(0.5)
        self.assertIsNone(self.x.message_box(), "a snooze showed the message")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_once_alarm_rings_then_is_saved_off(self):
        alarms = [(7, 30, "", 0, "Ring.wav")]
        face = self.start_at(ALARM_MINUTE,
                             settings_file(alarms=alarms, days=[(0x7F, 1)]))
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.2), "it never rang")
        # Switched off as it began to ring, and saved at once, before any stop.
        done = settings_file(alarms=alarms, days=[(0x7F, 3)])
        self.assertTrue(wait_until(lambda: self.run_.read() == done, 5, 0.1),
                        self.run_.read().hex(" "))
        self.x.click(face[1] + STOP[0], face[2] + STOP[1])
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        self.assertTrue(self.run_.read().endswith(extension([(0x7F, 3)])))


if __name__ == "__main__":
    unittest.main()
