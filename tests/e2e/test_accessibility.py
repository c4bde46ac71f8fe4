"""The face as a screen reader finds it over AT-SPI: a real bus, a real client (pyatspi)."""
import json
import os
import shutil
import time
import unittest

from harness import FACE, SessionBus, Xvfb, Zelka, faked_time, wait_until
from settingsbytes import settings_file

NORMAL = ["设置闹钟", "选项", "关于", "退出"]
RINGING = ["停止", "退出"]


class Accessibility(unittest.TestCase):
    def setUp(self):
        for need in ("dbus-daemon", "/usr/libexec/at-spi-bus-launcher"):
            if not shutil.which(need):
                self.skipTest(f"no {need} (scripts/setup.sh --test installs it)")
        if not os.path.exists("/usr/lib/python3/dist-packages/pyatspi"):
            self.skipTest("no python3-pyatspi (scripts/setup.sh --test installs it)")
        self.x = Xvfb()
        self.addCleanup(self.x.close)
        self.bus = SessionBus(notifications=False, accessibility=True)
        self.addCleanup(self.bus.close)
        self.run_ = Zelka(self.x, env={"DBUS_SESSION_BUS_ADDRESS": self.bus.address})
        self.addCleanup(self.run_.cleanup)

    def window(self):
        """The clock's one window as the reader sees it, once the clock has registered."""
        def found():
            apps = [a for a in self.bus.client("tree") if a["name"] == "Zelka!"]
            return apps[0]["windows"] if apps and apps[0]["windows"] else None
        windows = wait_until(found, 10, 0.2)
        self.assertTrue(windows, f"no Zelka! window over AT-SPI: {self.bus.client('tree')}")
        self.assertEqual(len(windows), 1)
        return windows[0]

    def band(self, x, y, width, height):
        path = os.path.join(self.run_.dir, "band.png")
        self.x.screenshot(path, x, y, width, height)
        with open(path, "rb") as f:
            return f.read()

    def names(self):
        return [b["name"] for b in self.window()["buttons"]]

    def test_the_face_reads_as_a_window_with_its_four_buttons(self):
        self.run_.write(settings_file(windowX=100, windowY=80))
        self.run_.env.update(faked_time("2026-12-09 07:12:20"))
        self.run_.start()
        face = self.run_.wait_face()
        self.assertIsNotNone(face)
        window = self.window()
        print(json.dumps(window, ensure_ascii=False))
        self.assertEqual((window["name"], window["role"]), ("Zelka!", "frame"))
        self.assertEqual(window["description"], "2026年12月9日 星期三 07:12")
        _, wx, wy, _, _ = face
        expected = [{"name": name, "role": "push button",
                     "rect": [wx + FACE[0] + 37 + 22 * k, wy + FACE[1] + 106, 18, 16],
                     "actions": ["Press"]} for k, name in enumerate(NORMAL)]
        self.assertEqual(window["buttons"], expected)
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_reader_hears_the_minute_and_the_ringing_and_presses_stop(self):
        listener = self.bus.listener(60)
        self.addCleanup(lambda: listener.poll() is None and (listener.kill(), listener.wait()))
        face = self.run_.start_before((7, 30, "", 0, "Ring.wav"))
        self.assertIsNotNone(face)
        # The alarm's minute: the stop and quit buttons replace the four.
        self.assertTrue(wait_until(lambda: self.names() == RINGING, 10, 0.2),
                        f"no ringing buttons: {self.names()}")
        ringing = self.window()
        print(json.dumps(ringing, ensure_ascii=False))
        self.assertEqual(ringing["description"], "2026年12月9日 星期三 07:30")
        _, wx, wy, _, _ = face
        self.assertEqual([b["rect"] for b in ringing["buttons"]],
                         [[wx + FACE[0] + 37, wy + FACE[1] + 106, 62, 16],
                          [wx + FACE[0] + 103, wy + FACE[1] + 106, 18, 16]])
        self.assertEqual([b["role"] for b in ringing["buttons"]], ["push button"] * 2)

        band = (wx + FACE[0] + 37, wy + FACE[1] + 106, 85, 16)
        bells = self.band(*band)
        self.assertTrue(self.bus.client("press", "停止"))
        self.assertTrue(wait_until(lambda: self.names() == NORMAL, 5, 0.2),
                        "pressing stop did not end the ringing")
        # On screen too: the four buttons in place of the stop button.
        self.assertNotEqual(self.band(*band), bells)
        self.assertIsNone(self.run_.proc.poll())

        listener.terminate()
        out, _ = listener.communicate(timeout=10)
        heard = [h for h in (json.loads(line) for line in out.splitlines() if line.strip())
                 if h["source"] == "Zelka!"]
        print("\n".join(json.dumps(h, ensure_ascii=False) for h in heard))
        described = [h["detail"] for h in heard
                     if h["type"] == "object:property-change:accessible-description"]
        self.assertEqual(described, ["2026年12月9日 星期三 07:30"])
        added = [h["detail"] for h in heard if h["type"] == "object:children-changed:add"]
        removed = [h for h in heard if h["type"] == "object:children-changed:remove"]
        self.assertEqual(added, RINGING + NORMAL)
        self.assertEqual(len(removed), len(NORMAL) + len(RINGING))

        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_reader_snoozes_with_the_stop_buttons_second_action(self):
        face = self.run_.start_before((7, 30, "", 0, "Ring.wav"))
        self.assertIsNotNone(face)
        self.assertTrue(wait_until(lambda: self.names() == RINGING, 10, 0.2),
                        f"no ringing buttons: {self.names()}")
        stop = self.window()["buttons"][0]
        self.assertEqual(stop["actions"], ["Press", "snooze"])
        self.assertTrue(self.bus.client("press", "停止", "snooze"))
        self.assertTrue(wait_until(lambda: self.names() == NORMAL, 5, 0.2),
                        "the snooze action did not end the ringing")
        self.assertIsNone(self.x.message_box())
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def read(self, name, role="dialog", page=None):
        """Waits for that window (on that options page); fails on a control a user can reach
        or press that has no name; returns the window."""
        def found():
            return next((w for w in self.bus.client("controls") if (w["name"], w["role"]) ==
                         (name, role) and page in (None, *[c["name"] for c in w["controls"]
                                                           if c["role"] == "page tab list"])),
                        None)
        window = wait_until(found, 10, 0.2)
        self.assertIsNotNone(window, f"no {role} {name} {page}")
        self.assertEqual([c for c in window["controls"] if c["showing"] and not c["name"].strip()
                          and (c["focusable"] or c["actions"])], [], f"{name} {page}")
        return window

    def close(self):
        """A close request to the window that is not the face, as a window manager sends."""
        others = lambda: [w for t in ("Zelka!", "", "设置闹钟", "选项") for w in self.x.windows(t)
                          if w[3:] != (157, 136)]
        self.x.close_request(wait_until(others, 5)[0][0])
        self.assertTrue(wait_until(lambda: not others(), 5))

    def test_every_control_is_named_and_the_keys_reach_the_buttons(self):
        self.x.window_manager()
        self.run_.write(settings_file(alarms=[(7, 30)])[:-3])  # damaged: a warning first
        self.run_.start()
        box = self.read("Zelka!", "alert")
        self.assertTrue(any("ZELKA!.DAT" in c["name"] for c in box["controls"]), box)
        self.close()
        face = self.run_.wait_face()
        self.assertIsNotNone(face)
        # At a click the face takes the keyboard: Tab lights the bell from the skin, readers
        # hear it focused, Return opens its dialog.
        _, wx, wy, _, _ = face
        self.x.click(wx + FACE[0] + 75, wy + FACE[1] + 60)  # the time: no button
        bells = [self.band(wx + FACE[0] + 37 + 22 * k, wy + FACE[1] + 106, 18, 16) for k in (0, 1)]
        self.x.keys("Tab")
        focused = lambda: [c["name"] for c in self.read("Zelka!", "frame")["controls"]
                           if c["focused"]]
        self.assertTrue(wait_until(lambda: focused() == ["设置闹钟"], 5, 0.2), focused())
        self.assertEqual([self.band(wx + FACE[0] + 37 + 22 * k, wy + FACE[1] + 106, 18, 16)
                          == bells[k] for k in (0, 1)], [False, True])
        self.x.keys("Return")
        self.read("设置闹钟")
        self.close()
        # A reader's presses for the rest.
        self.assertTrue(self.bus.client("press", "选项"))
        for page in ("界面", "高级", "常规响铃"):
            self.assertTrue(self.bus.client("press", page))
            self.read("选项", page=page)
        self.close()
        self.assertTrue(self.bus.client("press", "关于"))
        self.read("关于 Zelka!")
        self.close()
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        # The message popup, named with its alarm's time.
        self.run_ = Zelka(self.x, env={"DBUS_SESSION_BUS_ADDRESS": self.bus.address})
        self.addCleanup(self.run_.cleanup)
        face = self.run_.start_before((7, 30, "WAKE UP", 1, "Ring.wav"))
        self.assertTrue(wait_until(lambda: self.names() == RINGING, 10, 0.2), self.names())
        self.assertTrue(self.bus.client("press", "停止"))
        self.assertIn("消息", [c["name"] for c in self.read("闹钟 07:30")["controls"]])
        self.close()
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

if __name__ == "__main__":
    unittest.main()
