"""The real binary in a Wayland session (sway): through XWayland where it can be reached,
natively where not."""
import os
import signal
import unittest

from harness import FACE, Sway, Zelka, wait_until
from settingsbytes import settings_file

STORED = settings_file(alarms=[(7, 30, "起床", 1, "Ring.wav")], windowX=300, windowY=200)


class Wayland(unittest.TestCase):
    def setUp(self):
        self.sway = Sway()
        self.runs = []

    def tearDown(self):
        for run in self.runs:
            run.cleanup()
        self.sway.close()

    def zelka(self, **env):
        run = Zelka(None, env=dict(WAYLAND_DISPLAY=self.sway.socket, **env), session=self.sway)
        self.runs.append(run)
        run.write(STORED)
        return run.start()

    def face(self):
        found = wait_until(self.sway.windows, 10)
        self.assertIsNotNone(found, "no face window in the session")
        self.assertEqual(len(found), 1)
        return found[0]

    def test_the_platform_chosen(self):
        cases = {
            "XWayland where it runs": (self.sway.display, "xwayland"),
            "native where the X display cannot be reached": (":9999", "xdg_shell"),
            "native without an X display": (None, "xdg_shell"),
        }
        for name, (x_display, shell) in cases.items():
            with self.subTest(name):
                run = self.zelka(**({"DISPLAY": x_display} if x_display else {}))
                self.assertEqual(self.face()[0], shell)
                self.assertEqual(self.face()[3:], (157, 136))
                run.signal(signal.SIGTERM)
                self.assertEqual(run.wait_exit(), 0)
                # Where the compositor put it may be recorded; nothing else changes.
                self.assertEqual(run.read()[8:], STORED[8:])
                wait_until(lambda: not self.sway.windows(), 5)

    def test_native_drag_is_the_compositors_move_and_the_stored_place_is_kept(self):
        run = self.zelka()
        shell, x, y, _, _ = self.face()
        self.assertEqual(shell, "xdg_shell")
        # A press on the face's body, away from the buttons, then a move with the button held.
        self.sway.x.drag(x + 30, y + 20, 100, 50)
        moved = wait_until(lambda: self.sway.windows()[0][1:3] == (x + 100, y + 50), 5)
        self.assertTrue(moved, f"the face stayed at {self.sway.windows()[0][1:3]}")
        # The quit button: the face's fourth, under the pointer first, as a user clicks.
        self.sway.x.click(x + 100 + FACE[0] + 37 + 22 * 3 + 8, y + 50 + FACE[1] + 106 + 8)
        self.assertEqual(run.wait_exit(), 0)
        # The compositor never tells a window its place: the stored one is kept, not lost.
        self.assertEqual(run.read(), STORED)

    def test_the_compositor_lost_still_saves(self):
        run = self.zelka()
        self.assertEqual(self.face()[0], "xdg_shell")
        # Only a save on the way out brings the file back.
        os.remove(run.path())
        self.sway.proc.kill()
        self.sway.proc.wait()
        self.assertEqual(run.wait_exit(), 10, "the clock did not end with its compositor")
        self.assertEqual(run.read(), STORED)


if __name__ == "__main__":
    unittest.main()
