"""A user's session with the real binary under Xvfb: the face's buttons and the dialogs."""
import time
import unittest

from harness import FACE, ClockTestCase, wait_until
from settingsbytes import record, settings_file



class Session(ClockTestCase):
    def press_face_button(self, face, k):
        """Clicks face button k (0 alarm, 1 options, 2 logo, 3 quit) with the real pointer."""
        _, wx, wy, _, _ = face
        self.x.click(wx + FACE[0] + 37 + 22 * k + 8, wy + FACE[1] + 106 + 8)

    def test_set_an_alarm_through_the_dialog_and_quit_with_the_cross(self):
        self.run_.write(settings_file(windowX=50, windowY=60))
        self.run_.start()
        face = self.run_.wait_face()
        self.assertIsNotNone(face)
        # The pointer must move over the button before the press: the last move decides.
        _, wx, wy, _, _ = face
        self.x.click(wx + 60, wy + 20)  # somewhere on the face first
        self.press_face_button(face, 0)
        dialog = wait_until(lambda: self.x.windows("设置闹钟"), 5)
        self.assertTrue(dialog, "the alarm dialog did not open")
        time.sleep(0.5)  # mapped is not yet focused: let the dialog take the keyboard
        # Tab order: list, New, Set, Remove, hour, minute.
        self.x.keys("Tab", "Tab", "Tab", "Tab")
        self.x.keys("a", modifier="Control_L")
        self.x.keys("7", "Tab")
        self.x.keys("a", modifier="Control_L")
        self.x.keys("3", "0")
        time.sleep(0.2)
        self.x.keys("s", modifier="Alt_L")  # 设置(&S)
        time.sleep(0.2)
        self.x.keys("Escape")
        self.assertTrue(wait_until(lambda: not self.x.windows("设置闹钟"), 5))
        self.press_face_button(face, 3)
        self.assertEqual(self.run_.wait_exit(), 0)
        stored = self.run_.read()
        expected = settings_file(windowX=50, windowY=60,
                                 alarms=[(7, 30, "", 1, "Ring.wav")])
        self.assertEqual(stored, expected)
        self.assertIn(record(7, 30, "", 1, "Ring.wav"), stored)


if __name__ == "__main__":
    unittest.main()
