"""The language the clock speaks: English where the user's languages ask for it, the
original Chinese everywhere else."""
import os
import time
import unittest

from harness import ClockTestCase, Zelka, wait_until
from settingsbytes import settings_file

FACE = (3, 3)

CHINESE = ("设置闹钟", "选项")
ENGLISH = ("Set Alarms", "Options")


class Language(ClockTestCase):
    def titles(self, env):
        """The titles of the alarm dialog and the options sheet, as the window manager reads
        them, with env's locale."""
        run = Zelka(self.x, env=env)
        try:
            run.write(settings_file(windowX=20, windowY=20))
            run.start()
            face = run.wait_face()
            self.assertIsNotNone(face)
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
            return tuple(seen)
        finally:
            run.cleanup()

    def test_dialog_titles_follow_the_locale(self):
        cases = {
            "en_US": ({"LANG": "en_US.UTF-8"}, ENGLISH),
            "LANGUAGE=en over a Chinese LANG": ({"LANG": "zh_CN.UTF-8", "LANGUAGE": "en"},
                                                ENGLISH),
            "zh_CN": ({"LANG": "zh_CN.UTF-8"}, CHINESE),
            "C": ({"LANG": "C.UTF-8"}, CHINESE),
            "a language we have no translation for": ({"LANG": "de_DE.UTF-8"}, CHINESE),
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
