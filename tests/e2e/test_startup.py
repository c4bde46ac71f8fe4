"""The real binary under Xvfb: start-up checks, the settings file, and every way to quit."""
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

from harness import NOBODY, Xvfb, Zelka, wait_until
from settingsbytes import settings_file, window_position

DEFAULT_FILE = settings_file()


class Startup(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.runs = []

    def tearDown(self):
        for run in self.runs:
            run.cleanup()
        self.x.close()

    def zelka(self, **kw):
        run = Zelka(self.x, **kw)
        self.runs.append(run)
        return run

    def move_and_settle(self, face, x, y):
        self.x.move(face[0], x, y)
        self.assertTrue(wait_until(lambda: self.x.face()[1:3] == (x, y), 5))
        time.sleep(0.3)  # let the clock read the configure event before what follows

    def close_and_wait(self, run):
        face = run.wait_face()
        self.assertIsNotNone(face, "the face window never appeared")
        self.x.close_request(face[0])
        return run.wait_exit()

    def test_missing_sound_refuses_to_start(self):
        for missing in ("Ring.wav", "Ding.wav"):
            with self.subTest(missing=missing):
                present = tuple(s for s in ("Ring.wav", "Ding.wav") if s != missing)
                run = self.zelka(sounds=present).start()
                box = run.answer_message_box()
                self.assertIsNotNone(box, "no message box")
                self.assertEqual(run.wait_exit(), 1)
                self.assertFalse(os.path.exists(run.path()), "settings file was created")
                self.assertIsNone(self.x.face())

    def test_missing_settings_created_empty_then_filled(self):
        run = self.zelka().start()
        face = run.wait_face()
        self.assertIsNotNone(face)
        _, x, y, w, h = face
        self.assertEqual((x, y, w, h), (0, 0, 157, 136))
        self.assertEqual(run.read(), b"", "the file is created empty at start-up")
        self.x.close_request(face[0])
        self.assertEqual(run.wait_exit(), 0)
        self.assertEqual(run.read(), DEFAULT_FILE)
        self.assertEqual(len(DEFAULT_FILE), 49)

    def test_stored_position_used_and_written_back(self):
        for pos in ((200, 150), (-40, -30)):
            with self.subTest(pos=pos):
                run = self.zelka()
                alarms = [(7, 30, "设置", 1, "Ring.wav")]
                stored = settings_file(windowX=pos[0], windowY=pos[1], alarms=alarms)
                run.write(stored + b"extra bytes are dropped")
                run.start()
                face = run.wait_face()
                self.assertEqual(face[1:3], pos)
                self.assertEqual(self.close_and_wait(run), 0)
                self.assertEqual(run.read(), stored)

    def test_a_face_stored_off_screen_is_placed_whole_and_the_file_keeps_its_place(self):
        # Stored place, scale factor, where the window lands in X's own pixels.
        for pos, scale, placed in (((2000, 150), "1", (1123, 150, 157, 136)),
                                   ((-40, 1100), "1", (0, 888, 157, 136)),
                                   ((1000, 150), "1.5", (1044, 225, 236, 204))):
            with self.subTest(pos=pos, scale=scale):
                run = self.zelka(env=dict(QT_SCALE_FACTOR=scale))
                stored = settings_file(windowX=pos[0], windowY=pos[1])
                run.write(stored)
                run.start()
                self.addCleanup(run.cleanup)  # a failed row leaves no window to the next
                window = wait_until(lambda: self.x.windows() and self.x.windows()[0], 30)
                self.assertEqual(window[1:], placed)
                self.x.close_request(window[0])
                self.assertEqual(run.wait_exit(), 0)
                self.assertEqual(run.read(), stored)

    def test_a_face_a_screen_change_loses_is_placed_again(self):
        run = self.zelka()
        stored = settings_file(windowX=1100, windowY=800)
        run.write(stored)
        self.assertEqual(run.start().wait_face()[1:3], (1100, 800))
        placed = lambda at: wait_until(lambda: self.x.face()[1:3] == at, 5)
        self.x.resize(1024, 768)  # Qt's geometryChanged
        self.assertTrue(placed((867, 632)), self.x.face())
        # The right one first: the left one takes the output, and with it the whole screen.
        self.x.monitor("right", (512, 0, 512, 768))
        self.x.monitor("left", (0, 0, 512, 768), primary=True)
        self.x.monitor("right")  # Qt's screenRemoved
        self.assertTrue(placed((355, 632)), self.x.face())
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(run.read(), stored)

    def test_moved_window_position_recorded(self):
        run = self.zelka().start()
        face = run.wait_face()
        self.move_and_settle(face, 321, 123)
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(window_position(run.read()), (321, 123))

    def test_damaged_file_reported_defaults_used_and_backed_up(self):
        run = self.zelka()
        damaged = settings_file(windowX=300, alarms=[(7, 30)])[:-3]
        run.write(damaged)
        run.start()
        self.assertIsNotNone(run.answer_message_box(), "no damaged-file message")
        face = run.wait_face()
        self.assertEqual(face[1:3], (0, 0))
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(run.read(), DEFAULT_FILE)
        self.assertEqual(run.read("ZELKA!.DAT.damaged"), damaged)

    def test_damaged_file_kept_aside_at_start(self):
        run = self.zelka()
        damaged = settings_file(windowX=300, alarms=[(7, 30)])[:-3]
        run.write(damaged)
        run.start()
        self.assertIsNotNone(run.answer_message_box(), "no damaged-file message")
        self.assertIsNotNone(run.wait_face())
        # Kept aside before any save, and the damaged file itself is still in place.
        self.assertEqual(run.read("ZELKA!.DAT.damaged"), damaged)
        self.assertEqual(run.read(), damaged)
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(run.read(), DEFAULT_FILE)
        self.assertEqual(run.read("ZELKA!.DAT.damaged"), damaged)

    def test_damaged_file_saved_when_no_backup_can_be_made(self):
        run = self.zelka()
        run.write(settings_file()[:-3])
        os.mkdir(run.path("ZELKA!.DAT.damaged"))
        run.start()
        self.assertIsNotNone(run.answer_message_box(), "no damaged-file message")
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(run.read(), DEFAULT_FILE)
        self.assertIn("ZELKA!.DAT.damaged", run.proc.stderr.read().decode())

    def test_stale_temporaries_removed_at_start(self):
        run = self.zelka()
        run.write(settings_file(windowX=10))
        stale = [".ZELKA!.DAT.tmp-aB3xYz", ".ZELKA!.DAT.tmp-abcdef", ".ZELKA!.DAT.tmp-202401"]
        kept = ["ZELKA!.DAT.damaged", "ZELKA!.DAT.lock", "ZELKA!.DAT.lock.rmlink",
                "ZELKA!.DAT.backup", "ZELKA!.DAT.Backup", "ZELKA!.DAT.bak001",
                "ZELKA!.DAT.save01", "ZELKA!.DAT.Copy02", "ZELKA!.DAT.aB3xYz", "Ring.wav"]
        for name in stale + kept:
            if not os.path.exists(run.path(name)):
                run.write(b"partial", name)
            # Left by an earlier run, well before this one starts.
            os.utime(run.path(name), (time.time() - 3600,) * 2)
        os.mkdir(run.path(".ZELKA!.DAT.tmp-dIr123"))
        os.symlink(run.path("Ring.wav"), run.path(".ZELKA!.DAT.tmp-LiNk45"))
        run.start()
        self.assertIsNotNone(run.wait_face())
        names = set(os.listdir(run.dir))
        self.assertEqual(names & set(stale), set())
        self.assertLessEqual(set(kept) | {".ZELKA!.DAT.tmp-dIr123", ".ZELKA!.DAT.tmp-LiNk45"},
                             names)
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(window_position(run.read()), (10, 0))

    def test_settings_file_as_symbolic_link(self):
        stored = settings_file(windowX=30, windowY=40)
        with self.subTest("link to an own file: saves go to the file"):
            run = self.zelka()
            other = tempfile.mkdtemp(prefix="zelka-target-")
            self.addCleanup(shutil.rmtree, other, ignore_errors=True)
            target = os.path.join(other, "real.dat")
            with open(target, "wb") as f:
                f.write(stored)
            os.symlink(target, run.path())
            run.start()
            face = run.wait_face()
            self.assertEqual(face[1:3], (30, 40))
            self.move_and_settle(face, 55, 66)
            self.assertEqual(self.close_and_wait(run), 0)
            self.assertTrue(os.path.islink(run.path()))
            with open(target, "rb") as f:
                self.assertEqual(window_position(f.read()), (55, 66))
        with self.subTest("link to another user's file: refused, the file untouched"):
            if os.getuid() != 0:
                self.skipTest("only root can give a file to another owner (CI runs as root)")
            run = self.zelka()
            target = run.path("theirs.dat")
            with open(target, "wb") as f:
                f.write(b"their own bytes")
            os.chown(target, NOBODY, NOBODY)
            os.symlink(target, run.path())
            run.start()
            self.assertIsNotNone(run.answer_message_box(), "the refusal was not reported")
            self.assertEqual(run.wait_exit(), 2)
            with open(target, "rb") as f:
                self.assertEqual(f.read(), b"their own bytes")
            self.assertTrue(os.path.islink(run.path()))
            self.assertFalse(os.path.exists(target + ".damaged"))

    def test_read_only_file_overwritten(self):
        run = self.zelka()
        run.write(settings_file(windowX=10, windowY=20))
        os.chmod(run.path(), 0o444)
        run.start()
        self.assertEqual(self.close_and_wait(run), 0)
        self.assertEqual(window_position(run.read()), (10, 20))
        self.assertTrue(os.stat(run.path()).st_mode & stat.S_IWUSR)

    def test_directory_in_place_of_settings_file(self):
        run = self.zelka()
        os.mkdir(run.path())
        run.start()
        self.assertIsNotNone(run.answer_message_box())
        self.assertEqual(run.wait_exit(), 2)

    def test_signals_save_like_a_close(self):
        for signo in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=signo.name):
                run = self.zelka()
                run.write(settings_file(windowX=5, windowY=6))
                run.start()
                face = run.wait_face()
                self.move_and_settle(face, 77, 88)
                run.signal(signo)
                self.assertEqual(run.wait_exit(), 0)
                self.assertEqual(window_position(run.read()), (77, 88))

    def test_full_disk_keeps_old_file(self):
        mount = tempfile.mkdtemp(prefix="zelka-tmpfs-")
        try:
            if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=512k", "tmpfs", mount],
                              capture_output=True).returncode != 0:
                self.skipTest("cannot mount a tmpfs here")
            run = self.zelka(workdir=mount)
            old = settings_file(windowX=42, alarms=[(6, 0, "x" * 300, 1, "Ring.wav")])
            run.write(old)
            run.start()
            face = run.wait_face()
            self.assertIsNotNone(face)
            # Fill what is left of the disk.
            fd = os.open(os.path.join(mount, "filler"), os.O_WRONLY | os.O_CREAT)
            try:
                while os.write(fd, b"\0" * 4096):
                    pass
            except OSError:
                pass
            os.close(fd)
            self.x.close_request(face[0])
            self.assertIsNotNone(run.answer_message_box(), "the failed save was not reported")
            self.assertEqual(run.wait_exit(), 8)
            self.assertEqual(run.read(), old)
            leftovers = [n for n in os.listdir(mount) if n.startswith("ZELKA!.DAT.")]
            self.assertEqual(leftovers, [])
        finally:
            for run in self.runs:
                run.cleanup()
            self.runs = []
            subprocess.run(["umount", mount], capture_output=True)
            os.rmdir(mount)


if __name__ == "__main__":
    unittest.main()
