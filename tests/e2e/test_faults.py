"""Faults around the running clock: its settings file changed under it, no sound server,
the X server gone."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import (ALARM_MINUTE, ClockTestCase, SessionBus, Unprivileged, Zelka, pulse_server,
                     wait_until)
from settingsbytes import settings_file, window_position

DEFAULT_FILE = settings_file()
# Once the face is up, the clock is set to the alarm's minute, or a second before it where the
# test looks at the clock before it rings.
ALARM, BEFORE_ALARM = (7, 30, "", 0, "Ring.wav"), "2026-12-09 07:29:59"


class Faults(ClockTestCase):
    def start(self, data=None, at=None, **env):
        if data is not None:
            self.run_.write(data)
        if at:
            face = self.run_.start_at(at, **env)
        else:
            self.run_.env.update(env)
            self.run_.start()
            face = self.run_.wait_face()
        self.assertIsNotNone(face)
        return face

    def test_settings_file_changed_while_running(self):
        cases = {
            "deleted": (lambda p: os.remove(p), 0),
            "made read-only": (lambda p: os.chmod(p, 0o444), 0),
            "replaced by a directory": (lambda p: (os.remove(p), os.mkdir(p)), 5),
        }
        for name, (change, status) in cases.items():
            with self.subTest(name):
                self.run_.cleanup()
                self.run_ = Zelka(self.x)
                face = self.start(settings_file(windowX=12, windowY=34))
                change(self.run_.path())
                self.x.close_request(face[0])
                if status:
                    self.assertIsNotNone(self.run_.answer_message_box(), "not reported")
                self.assertEqual(self.run_.wait_exit(), status)
                if status == 0:
                    self.assertEqual(window_position(self.run_.read()), (12, 34))
                else:
                    self.assertTrue(os.path.isdir(self.run_.path()))
                leftovers = [n for n in os.listdir(self.run_.dir) if n.startswith("ZELKA!.DAT.")]
                self.assertEqual(leftovers, [])

    def test_x_server_lost_still_saves(self):
        face = self.start(settings_file(windowX=5, windowY=6, alarms=[(6, 0)]))
        self.x.move(face[0], 33, 44)
        self.assertTrue(wait_until(lambda: self.x.face()[1:3] == (33, 44), 5))
        time.sleep(0.3)  # the clock's own event loop takes in the move
        # The new place is not on disk yet: only the way out can save it.
        self.assertEqual(window_position(self.run_.read()), (5, 6))
        self.x.proc.kill()
        self.x.proc.wait()
        # Its own status: 1 would read as a missing default sound.
        self.assertEqual(self.run_.wait_exit(), 10, "the clock did not end with its display")
        self.assertEqual(self.run_.read(),
                         settings_file(windowX=33, windowY=44, alarms=[(6, 0)]))

    def test_read_only_folder_saves_in_place(self):
        user = Unprivileged()
        self.addCleanup(user.close)
        self.run_.cleanup()
        self.run_ = Zelka(self.x, session=user)
        self.run_.write(settings_file(windowX=12, windowY=34, alarms=[(6, 0)]))
        inode = os.stat(self.run_.path()).st_ino
        os.chmod(self.run_.dir, 0o555)
        try:
            face = self.start()
            self.x.move(face[0], 77, 88)
            self.assertTrue(wait_until(lambda: self.x.face()[1:3] == (77, 88), 5))
            time.sleep(0.3)
            self.x.close_request(face[0])
            self.assertEqual(self.run_.wait_exit(), 0)
        finally:
            os.chmod(self.run_.dir, 0o755)
        self.assertEqual(self.run_.read(),
                         settings_file(windowX=77, windowY=88, alarms=[(6, 0)]))
        self.assertEqual(os.stat(self.run_.path()).st_ino, inode, "not written in place")
        leftovers = [n for n in os.listdir(self.run_.dir) if n.startswith("ZELKA!.DAT.")]
        self.assertEqual(leftovers, [])

    def test_a_file_whose_mode_cannot_be_changed_ends_with_status_9(self):
        if os.getuid() != 0:
            self.skipTest("only root can own a file that the clock's user may not change")
        user = Unprivileged()
        self.addCleanup(user.close)
        self.run_.cleanup()
        self.run_ = Zelka(self.x, session=user)
        self.run_.write(DEFAULT_FILE)
        os.chown(self.run_.path(), 0, 0)
        os.chmod(self.run_.path(), 0o444)
        self.x.close_request(self.start()[0])
        self.assertIsNotNone(self.run_.answer_message_box(), "not reported")
        self.assertEqual(self.run_.wait_exit(), 9)
        self.assertEqual(self.run_.read(), DEFAULT_FILE)

    def test_a_read_error_at_the_start_ends_with_status_4(self):
        self.run_.write(DEFAULT_FILE)
        self.run_.env.update(self.fault_shim(read_fails=1))
        self.run_.start()
        self.assertIsNotNone(self.run_.answer_message_box(), "not reported")
        self.assertEqual(self.run_.wait_exit(), 4)
        self.assertIsNone(self.x.face(), "the face came up")

    def fault_shim(self, user=None, **faults):
        """Environment that preloads the fault shim on the settings file's names."""
        shim = os.environ.get("ZELKA_FAULT_SHIM")
        if not shim:
            self.skipTest("ZELKA_FAULT_SHIM unset (ctest sets it)")
        asan = ":".join(o for o in (os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0")
                        if o)
        return dict({f"ZELKA_FAULT_{k.upper()}": str(v) for k, v in faults.items()},
                    LD_PRELOAD=shutil.copy(shim, user.copy) if user and user.copy else shim,
                    ZELKA_FAULT_NAME="ZELKA!.DAT", ASAN_OPTIONS=asan)

    def drag_to(self, face, x, y):
        """Drags the face by its top, a change the clock saves at once."""
        self.x.drag(face[1] + 30, face[2] + 20, x - face[1], y - face[2])
        self.assertTrue(wait_until(lambda: self.x.face()[1:3] == (x, y), 5))

    def test_an_in_place_save_cut_short_is_finished_at_the_next_start(self):
        user = Unprivileged()
        self.addCleanup(user.close)
        self.run_.cleanup()
        self.run_ = Zelka(self.x, session=user)
        old, new = (settings_file(windowX=x, windowY=x, alarms=[(6, 0)]) for x in (12, 77))
        self.run_.write(old)
        os.chmod(self.run_.dir, 0o555)
        self.run_.own_dir = False  # removed once its mode is back
        self.addCleanup(shutil.rmtree, self.run_.dir, ignore_errors=True)
        self.addCleanup(os.chmod, self.run_.dir, 0o755)
        # The disk fails after 20 bytes of each rewrite: while running (one warning), at quit.
        shim = self.fault_shim(user, write_after=20)
        face = self.start(**shim)
        self.drag_to(face, 77, 77)
        self.assertIsNotNone(self.run_.answer_message_box(), "the failed save not reported")
        self.assertTrue(wait_until(lambda: not self.x.message_box(), 5))
        self.x.close_request(face[0])
        self.assertIsNotNone(self.run_.answer_message_box(), "the failed quit not reported")
        self.assertEqual(self.run_.wait_exit(), 8)
        self.assertEqual(self.run_.read(), new[:20] + old[20:])
        # The next start finishes the rewrite before it reads the file: no damage to report.
        for name in shim:
            self.run_.env.pop(name)
        face = self.start()
        self.assertEqual((self.run_.read(), self.x.face()[1:3]), (new, (77, 77)))
        self.assertIsNone(self.x.message_box())
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        self.assertEqual(os.listdir(os.path.join(self.run_.runtime, "state", "zelka")), [])

    def test_a_slow_disk_never_stops_the_face(self):
        face = self.start(settings_file(), **self.fault_shim(fsync_sleep_ms=3000))
        self.drag_to(face, 55, 66)
        time.sleep(0.5)  # the save is in its three-second sync
        path, shots = os.path.join(self.run_.dir, "face.png"), set()
        for i in range(8):
            self.x.screenshot(path, 55 + 3, 66 + 3, 151, 130)
            with open(path, "rb") as f:
                shots.add(f.read())
            time.sleep(0.25)
        self.assertGreater(len(shots), 1, "the face stood still while the disk synced")
        # The quit waits for that save, then syncs its own.
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(20), 0)
        self.assertEqual(window_position(self.run_.read()), (55, 66))

    def test_compressed_alarm_sounds_ring(self):
        # Made from the default sound by Debian's encoders; the disk driver records the device.
        for name, encoder in (("Ring.ogg", ["oggenc", "-Q", "-o"]), ("Ring.flac", ["flac", "-s", "-o"])):
            with self.subTest(name):
                self.run_.cleanup()
                self.run_ = Zelka(self.x)
                subprocess.run(encoder + [self.run_.path(name), self.run_.path("Ring.wav")],
                               check=True, timeout=30)
                device = self.run_.path("device.raw")
                face = self.start(settings_file(alarms=[(7, 30, "", 0, name)]), ALARM_MINUTE,
                                  SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=device)

                def sounding():  # half a second of samples, not all of them silence
                    if not os.path.exists(device) or os.path.getsize(device) < 44100 * 2:
                        return False
                    with open(device, "rb") as f:
                        return f.read().strip(b"\0") != b""
                self.assertTrue(wait_until(sounding, 15, 0.1), "the alarm was not heard")
                self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)
                self.x.close_request(face[0])
                self.assertEqual(self.run_.wait_exit(), 0)
                self.assertNotIn("无法播放", self.run_.proc.stderr.read().decode())

    def test_sound_server_vanishing_while_ringing(self):
        if not shutil.which("pulseaudio") or not shutil.which("pactl"):
            self.skipTest("no PulseAudio here: scripts/setup.sh --test installs it, except beside "
                          "PipeWire, whose pulse server it would replace")
        runtime = tempfile.mkdtemp(prefix="zelka-pulse-")
        server = pulse_server(runtime)
        address = f"unix:{runtime}/pulse/native"

        def pactl(*args):
            return subprocess.run(["pactl", *args], env=dict(os.environ, PULSE_SERVER=address),
                                  capture_output=True, text=True).stdout

        try:
            self.assertTrue(wait_until(lambda: os.path.exists(f"{runtime}/pulse/native"), 10))
            face = self.start(settings_file(limitRinging=1, maxRingSeconds=30, alarms=[ALARM]),
                              BEFORE_ALARM, SDL_AUDIODRIVER="pulseaudio", PULSE_SERVER=address)

            def clients():  # connections to the server other than pactl's own
                return [l for l in pactl("list", "short", "clients").splitlines()
                        if "pactl" not in l]

            # Silent: no stream and no connection to the server.
            self.assertEqual(pactl("list", "short", "sink-inputs").strip(), "")
            self.assertEqual(clients(), [])
            self.assertTrue(wait_until(lambda: self.run_.ringing(face), 15, 0.2))
            self.assertTrue(wait_until(lambda: pactl("list", "short", "sink-inputs").strip(), 3),
                            "the alarm's sound never reached the server")
            self.assertGreaterEqual(len(clients()), 1)
            server.kill()
            server.wait()
            time.sleep(1)
            # Still ringing without its server, and the stop button still ends it.
            self.assertTrue(self.run_.ringing(face))
            self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)  # moves onto it, then presses
            self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 3, 0.2),
                            "the stop button did not end the ringing")
            self.assertIsNone(self.run_.proc.poll(), "the clock died")
            self.x.close_request(face[0])
            self.assertEqual(self.run_.wait_exit(), 0)
        finally:
            if server.poll() is None:
                server.kill()
                server.wait()
            shutil.rmtree(runtime, ignore_errors=True)

    def test_sound_server_restarted_while_ringing(self):
        if not shutil.which("pulseaudio") or not shutil.which("pactl"):
            self.skipTest("no PulseAudio here: scripts/setup.sh --test installs it, except beside "
                          "PipeWire, whose pulse server it would replace")
        runtime = tempfile.mkdtemp(prefix="zelka-pulse-")
        servers = [pulse_server(runtime)]
        socket = f"{runtime}/pulse/native"
        address = f"unix:{socket}"

        def clock_streams():  # the clock's sink-inputs on the server running now
            listing = subprocess.run(["pactl", "list", "sink-inputs"], capture_output=True,
                                     text=True, env=dict(os.environ, PULSE_SERVER=address)).stdout
            return listing.count('application.name = "Zelka!"')

        try:
            self.assertTrue(wait_until(lambda: os.path.exists(socket), 10))
            # No limit: the ringing lasts until the stop button, as long as the server is away.
            face = self.start(settings_file(limitRinging=0, alarms=[ALARM]), BEFORE_ALARM,
                              SDL_AUDIODRIVER="pulseaudio", PULSE_SERVER=address)
            self.assertEqual(clock_streams(), 0)
            self.assertTrue(wait_until(lambda: self.run_.ringing(face), 15, 0.2))
            self.assertTrue(wait_until(lambda: clock_streams() == 1, 3),
                            "the alarm's sound never reached the server")
            servers[0].kill()
            servers[0].wait()
            os.remove(socket)
            servers.append(pulse_server(runtime))
            self.assertTrue(wait_until(lambda: os.path.exists(socket), 10))
            restarted = time.monotonic()
            self.assertTrue(wait_until(lambda: clock_streams() == 1, 5, 0.05),
                            "the ringing did not come back on the new server")
            print(f"stream on the new server {time.monotonic() - restarted:.2f} s after its "
                  "socket appeared")
            time.sleep(1)
            self.assertEqual(clock_streams(), 1, "the stream did not stay")
            self.x.click(face[1] + 3 + 68, face[2] + 3 + 113)
            self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 3, 0.2),
                            "the stop button did not end the ringing")
            self.assertTrue(wait_until(lambda: clock_streams() == 0, 3),
                            "the stream outlived the ringing")
            self.x.close_request(face[0])
            self.assertEqual(self.run_.wait_exit(), 0)
        finally:
            for server in servers:
                if server.poll() is None:
                    server.kill()
                    server.wait()
            shutil.rmtree(runtime, ignore_errors=True)

    def test_an_alarm_that_cannot_be_heard_is_told_once(self):
        if not shutil.which("pulseaudio") or not shutil.which("pactl"):
            self.skipTest("no PulseAudio here: scripts/setup.sh --test installs it, except beside "
                          "PipeWire, whose pulse server it would replace")
        runtime = tempfile.mkdtemp(prefix="zelka-pulse-")
        log = os.path.join(runtime, "server.log")
        server = pulse_server(runtime, log)
        bus = SessionBus()
        address = f"unix:{runtime}/pulse/native"

        def checks():  # the clock's connections, each closed again
            with open(log, errors="replace") as f:
                return f.read().count('"Zelka!"')

        def told():
            return [(c[3], c[4]) for c in bus.calls("Notify") if c[3].startswith("闹钟可能听不见")]

        try:
            self.assertTrue(wait_until(lambda: os.path.exists(f"{runtime}/pulse/native"), 10))
            # Ten minutes before 07:30 with the sound fine, ten before 07:35 with it muted.
            self.start(settings_file(alarms=[ALARM, (7, 35, "", 0, "Ring.wav")]),
                       "2026-12-09 07:19:58", PULSE_SERVER=address,
                       DBUS_SESSION_BUS_ADDRESS=bus.address)
            self.assertTrue(wait_until(lambda: checks() == 1, 10), "no check before 07:30")
            time.sleep(1)
            self.assertEqual(told(), [])
            subprocess.run(["pactl", "set-sink-mute", "@DEFAULT_SINK@", "1"], check=True,
                           env=dict(os.environ, PULSE_SERVER=address))
            self.run_.jumps.forward_to("2026-12-09 07:24:58")
            self.assertTrue(wait_until(lambda: told(), 10), "the muted output went untold")
            time.sleep(2)  # past the next minute, which must not tell again
            self.assertEqual(told(), [("闹钟可能听不见：声音输出已静音", "闹钟 07:35")])
            self.assertEqual(checks(), 2)
        finally:
            server.kill()
            server.wait()
            bus.close()
            shutil.rmtree(runtime, ignore_errors=True)

    def test_ringing_without_the_mixer_library_says_so(self):
        # The library hidden in a mount namespace of the clock's own, as on a system without it.
        found = [line.split(" => ")[-1] for line in
                 subprocess.run(["ldconfig", "-p"], capture_output=True, text=True).stdout.splitlines()
                 if "libSDL2_mixer-2.0.so.0 " in line]
        if not found or subprocess.run(["unshare", "-m", "true"],
                                       capture_output=True).returncode != 0:
            self.skipTest("cannot hide the mixer library here (needs root and unshare)")
        self.run_.prefix = ["unshare", "-m", "--propagation", "private", "sh", "-c",
                            'mount --bind /dev/null "$0" && exec "$@"', found[0]]
        face = self.start(settings_file(limitRinging=1, maxRingSeconds=2, alarms=[ALARM]),
                          ALARM_MINUTE)
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 15, 0.1),
                        "the ringing face never showed")
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 6, 0.1),
                        "the ringing did not end at its limit")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        lines = self.run_.proc.stderr.read().decode().splitlines()
        told = [line for line in lines if "libSDL2_mixer-2.0.so.0" in line]
        self.assertEqual(len(told), 1, lines)
        self.assertIn("找不到声音库", told[0])
        self.assertIn("“Ring.wav”", told[0])

    def test_rings_and_stops_without_a_sound_server(self):
        # An alarm in seconds, a limit of one second, and no audio device at all.
        face = self.start(settings_file(windowX=0, windowY=0, limitRinging=1, maxRingSeconds=1,
                                        alarms=[ALARM]), ALARM_MINUTE, SDL_AUDIODRIVER="nonexistent")
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 15, 0.1),
                        "the ringing face never showed")
        # One second of limit: the normal face comes back by itself.
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 5, 0.1),
                        "the ringing did not end at its limit")
        self.assertIsNone(self.run_.proc.poll(), "the clock died")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
