"""Commands from a terminal: to the running clock over its socket, or to the file itself."""
import glob
import json
import os
import socket
import subprocess
import time
import unittest

from harness import ALARM_MINUTE, BINARY, ClockTestCase, wait_until


class Commands(ClockTestCase):
    def zelka(self, *args):
        """Runs `zelka args` as a terminal in the clock's folder would."""
        return subprocess.run([BINARY, *args], cwd=self.run_.dir, env=self.run_.env,
                              capture_output=True, text=True, timeout=20)

    def test_commands_drive_the_running_clock(self):
        face = self.run_.start_at("2026-12-09 07:29:30")
        self.assertIsNotNone(face)
        before = self.run_.read()
        added = self.zelka("--in", "1", "--message", "tea")
        self.assertEqual((added.returncode, added.stdout), (0, "07:30\n"))
        self.assertTrue(wait_until(lambda: self.run_.read() != before, 1),
                        "not saved within a second")
        # A peer that never writes and one that floods: the face ticks on, and the next
        # command is answered.
        address = glob.glob(os.path.join(self.run_.runtime, "*.socket"))[0]
        silent, flood = socket.socket(socket.AF_UNIX), socket.socket(socket.AF_UNIX)
        self.addCleanup(silent.close)
        self.addCleanup(flood.close)
        silent.connect(address)
        flood.connect(address)
        with self.assertRaises(OSError):
            flood.sendall(b"x" * 10_000_000)
        whole = face[1:]  # the colon blinks, the seconds run
        seen = self.x.pixels(*whole)
        listed = self.zelka("--list", "--json")
        self.assertEqual([(a["time"], a["once"], a["message"]) for a in json.loads(listed.stdout)],
                         [("07:30", True, "tea")])
        self.assertTrue(wait_until(lambda: self.x.pixels(*whole) != seen, 3), "the face stopped")

        self.run_.jumps.forward_to(ALARM_MINUTE)
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.1), "it never rang")
        self.assertEqual(self.zelka("--snooze").returncode, 0)
        self.assertTrue(wait_until(lambda: not self.run_.ringing(face), 5, 0.1), "not snoozed")
        stopped = self.zelka("--stop")
        self.assertEqual((stopped.returncode, stopped.stderr), (1, "没有正在响的闹钟\n"))
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)

    def test_with_no_clock_running_the_file_is_edited_and_the_next_clock_rings_it(self):
        bad = self.zelka("--add", "7:30")
        self.assertEqual((bad.returncode, bad.stdout), (64, ""))
        self.assertFalse(os.path.exists(self.run_.path()), "a bad command touched the file")
        self.assertEqual(self.zelka("--add", "07:30", "--days", "wed").returncode, 0)
        # 2026-12-09 is a Wednesday.
        face = self.run_.start_at(ALARM_MINUTE)
        self.assertTrue(wait_until(lambda: self.run_.ringing(face), 10, 0.1), "it never rang")
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
