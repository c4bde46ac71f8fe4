"""The language the clock speaks: English where the user's languages ask for it, the
original Chinese everywhere else."""
import os
import time
import unittest

from harness import FACE, RES, ClockTestCase, Zelka, read_png, wait_until
from settingsbytes import settings_file

WEEKDAY = (26, 30, 100, 14)  # the weekday cell on the face, but its last row under the runner

# The dialogs' titles, and the art the face's weekday name comes from.
CHINESE = ("设置闹钟", "选项", "weekdays.png")
ENGLISH = ("Set Alarms", "Options", "weekdays_en.png")


def weekday_rows(file):
    """The seven weekday names of a strip, each as the rows the face's cell shows."""
    rows = read_png(os.path.join(RES, "art", file))
    _, _, width, height = WEEKDAY
    return [[row[:width * 3] for row in rows[15 * day:15 * day + height]] for day in range(7)]


class Language(ClockTestCase):
    def weekday_strip(self, left, top):
        """The file whose name for some day the face's weekday cell shows, pixel for pixel."""
        x, y, width, height = WEEKDAY
        cell = self.x.pixels(left + FACE[0] + x, top + FACE[1] + y, width, height)
        for file in (CHINESE[2], ENGLISH[2]):
            if cell in weekday_rows(file):
                return file
        return None

    def titles(self, env):
        """The titles of the alarm dialog and the options sheet, as the window manager reads
        them, and the weekday strip the face shows, with env's locale."""
        run = Zelka(self.x, env=env)
        try:
            run.write(settings_file(windowX=20, windowY=20))
            run.start()
            face = run.wait_face()
            self.assertIsNotNone(face)
            # Mapped is not yet painted: the cell is read once it shows a name.
            strip = wait_until(lambda: self.weekday_strip(20, 20), 10, 0.1)
            seen = []
            for k in (0, 1):
                self.x.click(20 + 60, 20 + 20)
                self.x.click(20 + FACE[0] + 37 + 22 * k + 8, 20 + FACE[1] + 106 + 8)
                window = wait_until(self.x.others, 5)
                self.assertTrue(window, "no dialog")
                seen.append(window[0][0])
                time.sleep(0.3)
                self.x.keys("Escape")
                self.assertTrue(wait_until(lambda: not self.x.others(), 5))
            self.x.close_request(face[0])
            self.assertEqual(run.wait_exit(), 0)
            return tuple(seen) + (strip,)
        finally:
            run.cleanup()

    def test_dialogs_and_face_follow_the_locale(self):
        # The rule's whole table is tst_language's; these rows show the binary follows it
        # into the dialogs and the face, with a translation and without one.
        cases = {
            "en_US": ({"LANG": "en_US.UTF-8"}, ENGLISH),
            "LANGUAGE=en over a Chinese LANG": ({"LANG": "zh_CN.UTF-8", "LANGUAGE": "en"},
                                                ENGLISH),
            "C": ({"LANG": "C.UTF-8"}, CHINESE),
            "de_DE, a language we have no translation for": ({"LANG": "de_DE.UTF-8"}, ENGLISH),
        }
        for name, (env, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(self.titles(env), expected)

    def damaged_file_message(self, lang):
        """The pixels of the message a damaged settings file brings, with that LANG."""
        run = Zelka(self.x, env={"LANG": lang})
        try:
            run.write(b"\x01\x02\x03")
            run.start()
            box = wait_until(self.x.others, 5)
            self.assertTrue(box, "no message box")
            time.sleep(0.5)
            window = box[0][1]
            g = window.get_geometry()
            at = window.translate_coords(self.x.dpy.screen().root, 0, 0)
            path = os.path.join(run.dir, "box.png")
            self.x.screenshot(path, -at.x, -at.y, g.width, g.height)
            with open(path, "rb") as f:
                return (g.width, g.height), f.read()
        finally:
            run.cleanup()

    def test_the_damaged_file_message_follows_the_locale(self):
        # X shows no text, only pixels (docs/damaged-en.png is this box in English), and
        # fontconfig picks its fonts by LANG too: each Chinese box differs from the English.
        english = self.damaged_file_message("en_US.UTF-8")
        for lang in ("zh_CN.UTF-8", "C.UTF-8"):
            self.assertNotEqual(self.damaged_file_message(lang)[0], english[0], lang)

if __name__ == "__main__":
    unittest.main()
