"""Faults an audit found against the real binary: a close request under a modal dialog, a
press with no move since start-up, a press that comes with its move, the attention request
while ringing."""
import os
import shutil
import subprocess
import time
import unittest

from Xlib import X
from Xlib.ext import xtest

from harness import FACE, ClockTestCase, Zelka, wait_until
from settingsbytes import settings_file

BELL = (FACE[0] + 37 + 8, FACE[1] + 106 + 8)  # the alarm button's middle
LOGO = (FACE[0] + 37 + 44 + 8, FACE[1] + 106 + 8)
CROSS = (FACE[0] + 103 + 8, FACE[1] + 106 + 8)
TIME = (FACE[0] + 60, FACE[1] + 60)


class Audit(ClockTestCase):
    def test_a_close_request_under_the_logo_dialog_saves_and_quits(self):
        self.run_.write(settings_file(windowX=100, windowY=100, alarms=[(6, 0)]))
        self.run_.start()
        face = self.run_.wait_face()
        self.assertIsNotNone(face)
        self.x.move(face[0], 120, 130)
        self.assertTrue(wait_until(lambda: self.x.face()[1:3] == (120, 130), 5))
        self.x.click(120 + 60, 130 + 20)
        self.x.click(120 + LOGO[0], 130 + LOGO[1])
        logo = lambda: [w for w in self.x.windows("Zelka!") + self.x.windows("")
                        if w[3:] != (157, 136)]
        self.assertTrue(wait_until(logo, 5), "no logo dialog")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0, "the close request was lost")
        self.assertEqual(self.run_.read(),
                         settings_file(windowX=120, windowY=130, alarms=[(6, 0)]))

    def test_a_press_with_its_move_acts_on_the_button_it_lands_on(self):
        self.x.window_manager()

        def jump_and_click(tool, start, to):
            """Touch screens, remote desktops and screen readers send the motion and the press
            at once: in one request flush, or as xdotool does."""
            xtest.fake_input(self.x.dpy, X.MotionNotify, x=200 + start[0], y=200 + start[1])
            self.x.dpy.sync()
            time.sleep(0.2)
            if tool == "xdotool":
                subprocess.run(["xdotool", "mousemove", "--sync", str(200 + to[0]),
                                str(200 + to[1]), "click", "1"], check=True, timeout=10,
                               env=dict(os.environ, DISPLAY=self.x.name))
                return
            xtest.fake_input(self.x.dpy, X.MotionNotify, x=200 + to[0], y=200 + to[1])
            xtest.fake_input(self.x.dpy, X.ButtonPress, 1)
            xtest.fake_input(self.x.dpy, X.ButtonRelease, 1)
            self.x.dpy.sync()

        for tool in ["flush"] * 3 + (["xdotool"] if shutil.which("xdotool") else []):
            run = Zelka(self.x)
            self.addCleanup(run.cleanup)
            run.write(settings_file(windowX=200, windowY=200))
            run.start()
            self.assertIsNotNone(run.wait_face())
            time.sleep(0.5)
            jump_and_click(tool, TIME, BELL)
            dialog = wait_until(lambda: self.x.windows("设置闹钟"), 5)
            self.assertTrue(dialog, f"{tool}: the bell opened nothing")
            self.x.close_request(dialog[0][0])
            self.assertTrue(wait_until(lambda: not self.x.windows("设置闹钟"), 5))
            jump_and_click(tool, BELL, CROSS)  # from the bell, still lit
            self.assertEqual(run.wait_exit(5), 0, f"{tool}: the cross did not quit")

    def test_a_press_with_no_move_since_start_up_opens_nothing(self):
        self.x.window_manager()
        self.run_.write(settings_file(windowX=200, windowY=200))
        # The pointer waits over the place of the bell before the face maps.
        xtest.fake_input(self.x.dpy, X.MotionNotify, x=200 + BELL[0], y=200 + BELL[1])
        self.x.dpy.sync()
        self.run_.start()
        face = self.run_.wait_face()
        self.assertIsNotNone(face)
        time.sleep(0.5)
        # Flushed with the drag's first motion, which then shares the press's millisecond.
        xtest.fake_input(self.x.dpy, X.ButtonPress, 1)
        # A press on no button drags: the face follows the pointer up, off the buttons.
        for step in range(1, 6):
            xtest.fake_input(self.x.dpy, X.MotionNotify, x=200 + BELL[0],
                             y=200 + BELL[1] - 10 * step)
            self.x.dpy.sync()
            time.sleep(0.05)
        xtest.fake_input(self.x.dpy, X.ButtonRelease, 1)
        self.x.dpy.sync()
        time.sleep(0.5)
        self.assertFalse(self.x.windows("设置闹钟"), "the press opened the alarm dialog")
        self.assertTrue(wait_until(lambda: self.x.face()[1:3] == (200, 150), 3),
                        f"no drag: the face is at {self.x.face()[1:3]}")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_the_attention_request_blinks_with_the_bell(self):
        face = self.run_.start_before((7, 30, "", 0, "Ring.wav"))
        self.assertIsNotNone(face)
        # Stand in for the window manager: its requests to change window states come here.
        dpy = self.x.dpy
        root = dpy.screen().root
        root.change_attributes(event_mask=X.SubstructureRedirectMask)
        dpy.sync()
        state = dpy.intern_atom("_NET_WM_STATE")
        attention = dpy.intern_atom("_NET_WM_STATE_DEMANDS_ATTENTION")
        requests = []
        deadline = time.monotonic() + 8
        while time.monotonic() < deadline and len(requests) < 20:
            if not dpy.pending_events():
                time.sleep(0.005)
                continue
            event = dpy.next_event()
            if (event.type == X.ClientMessage and event.client_type == state
                    and event.window.id == face[0].id and event.data[1][1] == attention):
                requests.append((time.monotonic(), event.data[1][0]))
        root.change_attributes(event_mask=0)
        dpy.sync()
        self.assertEqual(len(requests), 20, "no attention requests while ringing")
        # On one tick, off the next: never set and cleared in the same moment.
        self.assertEqual([r[1] for r in requests], [1, 0] * 10)
        gaps = [round(b[0] - a[0], 3) for a, b in zip(requests, requests[1:])]
        self.assertGreater(min(gaps), 0.05, gaps)


if __name__ == "__main__":
    unittest.main()
