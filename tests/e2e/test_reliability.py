"""Alarms that are never lost or missed: saved on every change, one clock per settings file,
desktop notifications while an alarm rings."""
import fcntl
import hashlib
import os
import shutil
import signal
import time
import unittest

import dbus  # Debian's python3-dbus, seen by /usr/bin/python3
from Xlib import X

from harness import FACE, ClockTestCase, SessionBus, Zelka, wait_until
from settingsbytes import settings_file

PLAYER = "org.mpris.MediaPlayer2.Player"


def lock_name(run):
    """The lock's file name, keyed on the settings file's real path."""
    key = hashlib.sha256(os.path.realpath(run.path()).encode()).hexdigest()[:24]
    return f"zelka-{key}.lock"


class Reliability(ClockTestCase):
    def start(self, run=None, data=None, **env):
        run = run or self.run_
        if data is not None:
            run.write(data)
        run.env.update(env)
        run.start()
        face = run.wait_face()
        self.assertIsNotNone(face, "no face")
        return face

    def test_an_alarm_set_is_on_disk_before_the_dialog_closes(self):
        face = self.start(data=settings_file(windowX=50, windowY=60))
        _, wx, wy, _, _ = face
        self.x.click(wx + 60, wy + 20)  # the last move decides the button: move first
        self.x.click(wx + FACE[0] + 37 + 8, wy + FACE[1] + 106 + 8)
        self.assertTrue(wait_until(lambda: self.x.windows("设置闹钟"), 5), "no alarm dialog")
        time.sleep(0.5)  # mapped is not yet focused
        self.x.keys("Tab", "Tab", "Tab", "Tab")  # list, New, Set, Remove, hour
        self.x.keys("a", modifier="Control_L")
        self.x.keys("7", "Tab")
        self.x.keys("a", modifier="Control_L")
        self.x.keys("3", "0")
        self.x.keys("s", modifier="Alt_L")  # 设置(&S)
        time.sleep(1)
        self.assertTrue(self.x.windows("设置闹钟"), "the dialog should still be open")
        self.run_.signal(signal.SIGKILL)
        self.run_.wait_exit()
        self.assertEqual(self.run_.read(), settings_file(windowX=50, windowY=60,
                                                         alarms=[(7, 30, "", 1, "Ring.wav")]))

    def test_a_second_start_in_the_same_folder_brings_the_first_to_the_front(self):
        face = self.start(data=settings_file(windowX=40, windowY=40, alarms=[(6, 0)]))
        # Another window over the face, as a browser would be.
        root = self.x.dpy.screen().root
        cover = root.create_window(0, 0, 400, 300, 0, X.CopyFromParent, X.InputOutput,
                                   X.CopyFromParent, background_pixel=0xFFFFFF,
                                   override_redirect=True)
        cover.map()
        self.x.dpy.sync()

        def on_top():
            order = [w.id for w in root.query_tree().children]
            return order.index(face[0].id) > order.index(cover.id)
        self.assertTrue(wait_until(lambda: not on_top(), 3))

        second = Zelka(self.x, workdir=self.run_.dir, env={"XDG_RUNTIME_DIR": self.run_.runtime})
        try:
            second.start()
            self.assertEqual(second.wait_exit(5), 0)
            self.assertTrue(wait_until(on_top, 3), "the running clock did not come to the front")
            self.assertEqual(len([w for w in self.x.windows() if w[3:] == (157, 136)]), 1)
        finally:
            second.cleanup()
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        self.assertEqual(self.run_.read(),
                         settings_file(windowX=40, windowY=40, alarms=[(6, 0)]))

    def test_clocks_in_two_folders_run_side_by_side(self):
        face = self.start(data=settings_file(windowX=0, windowY=0))
        other = Zelka(self.x, env={"XDG_RUNTIME_DIR": self.run_.runtime})
        try:
            other.write(settings_file(windowX=300, windowY=300))
            other.start()
            self.assertTrue(wait_until(lambda: len([w for w in self.x.windows()
                                                    if w[3:] == (157, 136)]) == 2, 10))
            self.assertIsNone(other.proc.poll())
        finally:
            other.cleanup()
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_killed_clock_does_not_keep_the_next_one_out(self):
        self.start(data=settings_file(alarms=[(6, 0)]))
        self.run_.signal(signal.SIGKILL)
        self.run_.wait_exit()
        self.assertTrue(wait_until(lambda: not self.x.face(), 5))
        face = self.start()
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        self.assertEqual(self.run_.read(), settings_file(alarms=[(6, 0)]))

    def test_a_lock_held_by_a_process_that_never_answers_is_reported(self):
        self.run_.write(settings_file())
        path = os.path.join(self.run_.runtime, lock_name(self.run_))
        with open(path, "w") as held:
            fcntl.flock(held, fcntl.LOCK_EX)
            self.run_.start()
            box = self.run_.answer_message_box()
            self.assertIsNotNone(box, "the refusal was not shown")
            self.assertEqual(self.run_.wait_exit(), 11)
        self.assertIsNone(self.x.face())
        said = self.run_.proc.stderr.read().decode()
        self.assertIn(path, said)
        self.assertIn("did not answer", said)


class Notifications(ClockTestCase):
    """A real session bus with python3-dbusmock's notification server."""

    def setUp(self):
        if not shutil.which("dbus-daemon"):
            self.skipTest("no dbus-daemon (scripts/setup.sh --test installs it)")
        super().setUp()
        self.bus = SessionBus()

    def tearDown(self):
        super().tearDown()
        self.bus.close()

    def ring(self, message=""):
        """Starts the clock three seconds before a 07:30 alarm; returns the face and the
        ringing notification's server id."""
        face = self.run_.start_before((7, 30, message, 1 if message else 0, "Ring.wav"),
                                      DBUS_SESSION_BUS_ADDRESS=self.bus.address)
        self.assertIsNotNone(face)
        notify = wait_until(lambda: self.bus.calls("Notify"), 15, 0.1)
        self.assertTrue(notify, "no notification while it rang")
        self.assertEqual(len(notify), 1)
        app, replaces, icon, summary, body, actions, hints, timeout = notify[0]
        self.assertEqual((app, replaces, icon), ("Zelka!", 0, "zelka"))
        self.assertEqual(summary, "闹钟 07:30")
        self.assertEqual(actions, ["stop", "停止", "snooze", "贪睡"])
        self.assertEqual(hints["urgency"], 2)
        self.assertEqual(timeout, 0)
        return face, body

    def closed(self):
        return self.bus.calls("CloseNotification")

    def test_the_stop_action_stops_the_ringing(self):
        face, body = self.ring(message="起床 <b>&")
        # The server reads markup, so the message goes escaped and reads as typed.
        self.assertEqual(body, "起床 &lt;b&gt;&amp;")
        time.sleep(0.5)
        self.assertIsNone(self.x.message_box())
        self.bus.invoke_action(1, "stop")
        # As the stop button does: the ringing ends and the message is typed out.
        self.assertTrue(wait_until(self.x.message_box, 5, 0.1),
                        "the stop action did not end the ringing")
        self.assertTrue(wait_until(lambda: self.closed() == [[1]], 5, 0.1))
        self.assertIsNone(self.run_.proc.poll())

    def test_while_it_rings_sleep_waits_the_screen_wakes_and_a_playing_player_pauses(self):
        self.bus.start_mock("org.freedesktop.login1", template="logind", system=True)
        logind = dbus.Interface(self.bus.system.get_object("org.freedesktop.login1",
                                                           "/org/freedesktop/login1"),
                                "org.freedesktop.login1.Manager")
        saver = self.bus.start_mock("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                              "org.freedesktop.ScreenSaver")
        saver.AddMethod("", "SimulateUserActivity", "", "", "")
        players = {}
        for status in ("Playing", "Paused"):
            players[status] = self.bus.start_mock("org.mpris.MediaPlayer2." + status.lower(),
                                            "/org/mpris/MediaPlayer2", PLAYER)
            players[status].AddProperty(PLAYER, "PlaybackStatus", status)
            players[status].AddMethods(PLAYER, [("Pause", "", "", ""), ("Play", "", "", "")])
        self.run_.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.bus.system_address

        def inhibitors():
            # The stand-in forgets an inhibitor when its fd's other end is closed.
            return [[str(field) for field in i[:4]] for i in logind.ListInhibitors()]

        def calls(mock, method):
            return len(self.bus.calls(method, mock))
        self.ring()
        self.assertTrue(wait_until(
            lambda: inhibitors() == [["sleep:idle", "Zelka!", "闹钟正在响", "block"]], 5, 0.1),
            inhibitors())
        self.assertTrue(wait_until(lambda: calls(saver, "SimulateUserActivity") == 1, 5, 0.1))
        self.assertTrue(wait_until(lambda: calls(players["Playing"], "Pause") == 1, 5, 0.1))
        self.assertEqual(calls(players["Playing"], "Play"), 0)
        self.bus.invoke_action(1, "stop")
        self.assertTrue(wait_until(lambda: inhibitors() == [], 5, 0.1), "the inhibitor is held")
        self.assertTrue(wait_until(lambda: calls(players["Playing"], "Play") == 1, 5, 0.1))
        self.assertEqual([calls(players["Paused"], m) for m in ("Pause", "Play")], [0, 0])
        self.assertEqual(calls(players["Playing"], "Pause"), 1)

    def test_the_snooze_action_ends_the_ringing_without_the_message(self):
        face, _ = self.ring(message="起床")
        time.sleep(0.5)
        # Another program's stop, sent before the server's snooze, is not heard.
        self.bus.forge_action(1, "stop")
        self.bus.invoke_action(1, "snooze")
        self.assertTrue(wait_until(lambda: self.closed() == [[1]], 5, 0.1),
                        "the snooze action left the notification")

        def still():
            # The ringing banner moves every tenth of a second; the normal date row holds.
            first = self.x.date_row(face)
            time.sleep(0.3)
            return self.x.date_row(face) == first
        self.assertTrue(wait_until(still, 5, 0.1), "still ringing after the snooze action")
        # The message waits for the ringing that is finally stopped.
        time.sleep(0.5)
        self.assertIsNone(self.x.message_box())
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_the_stop_button_withdraws_the_notification(self):
        face, _ = self.ring()
        self.assertEqual(self.closed(), [])
        time.sleep(0.5)
        self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)
        self.assertTrue(wait_until(lambda: self.closed() == [[1]], 5, 0.1),
                        "the notification stayed after the stop button")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_a_restarted_server_is_shown_the_ringing_again(self):
        face, _ = self.ring()
        self.bus.start_server()
        self.assertTrue(wait_until(lambda: len(self.bus.calls("Notify")) == 1, 10, 0.1),
                        "the new server was never shown the ringing")
        time.sleep(0.5)
        self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)
        # The id the new server gave, withdrawn there once.
        self.assertTrue(wait_until(lambda: self.closed() == [[1]], 5, 0.1), self.closed())
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_an_alarm_that_cannot_be_heard_says_so(self):
        with open(self.run_.path("Bad.wav"), "wb") as f:
            f.write(b"this is no sound" * 64)
        face = self.run_.start_before((7, 30, "", 0, "Bad.wav"),
                                      DBUS_SESSION_BUS_ADDRESS=self.bus.address)
        self.assertIsNotNone(face)

        def told():
            return [c for c in self.bus.calls("Notify")
                    if "无法播放" in c[4] and "Bad.wav" in c[4]]
        calls = wait_until(told, 15, 0.1)
        self.assertTrue(calls, f"not told: {self.bus.calls('Notify')}")
        # Said in the ringing notification itself, replaced in place when already shown.
        self.assertIn(calls[-1][1], (0, 1))
        self.assertEqual(calls[-1][3], "闹钟 07:30")
        self.assertEqual(len([c for c in self.bus.calls("Notify") if c[1] == 0]), 1)
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_only_the_users_quit_says_the_next_alarm_will_not_ring(self):
        told = "Zelka! 已退出：下一个闹钟 07:30 不会响"
        for how, expected in (("the cross", [told]), ("the window manager's close", [told]),
                              ("a signal", [])):
            with self.subTest(how):
                self.bus.mock.ClearCalls()
                run = Zelka(self.x)
                try:
                    face = run.start_before((7, 30, "", 0, "Ring.wav"), at="2026-12-09 07:00:00",
                                            DBUS_SESSION_BUS_ADDRESS=self.bus.address)
                    self.assertIsNotNone(face)
                    if how == "a signal":
                        run.signal()
                    elif how == "the cross":
                        self.x.click(face[1] + FACE[0] + 37 + 66 + 8, face[2] + FACE[1] + 106 + 8)
                    else:
                        self.x.close_request(face[0])
                    self.assertEqual(run.wait_exit(), 0)
                    self.assertEqual([c[3] for c in self.bus.calls("Notify")], expected)
                finally:
                    run.cleanup()

    def frozen(self, proc):
        """Runs the clock to a ringing alarm with proc stopped once the face is up: it
        never answers."""
        try:
            # A second before the minute: stopped before the first ring, when the bus is first used.
            face = self.run_.start_before((7, 30, "", 0, "Ring.wav"), at="2026-12-09 07:29:59",
                                          DBUS_SESSION_BUS_ADDRESS=self.bus.address)
            self.assertIsNotNone(face)
            proc.send_signal(signal.SIGSTOP)
            self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.1),
                            "it never rang")
            # The banner still moves: nothing waits for the silent server.
            frames = {self.x.date_row(face) for _ in range(10) if not time.sleep(0.1)}
            self.assertGreater(len(frames), 1, "the ringing face froze")
            self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)
            self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 3, 0.1),
                            "the stop button did not answer")
            self.x.close_request(face[0])
            started = time.monotonic()
            self.assertEqual(self.run_.wait_exit(), 0)
            self.assertLess(time.monotonic() - started, 3)
        finally:
            proc.send_signal(signal.SIGCONT)

    def test_a_notification_server_that_never_answers_changes_nothing(self):
        self.frozen(self.bus.server)

    def test_a_bus_that_never_answers_changes_nothing(self):
        self.frozen(self.bus.daemon)


class WithoutABus(ClockTestCase):
    def test_rings_and_stops_as_before(self):
        face = self.run_.start_before((7, 30, "", 0, "Ring.wav"))
        self.assertIsNotNone(face)
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.1), "it never rang")
        self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 5, 0.1),
                        "it did not stop")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
