"""zelka-wake, the holder of the clock's wake-up timer, on its own and under the clock."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from harness import BINARY, NOBODY, ClockTestCase, Unprivileged, Zelka, wait_until
from settingsbytes import settings_file

HELPER = os.path.join(os.path.dirname(BINARY), "zelka-wake")
AS_NOBODY = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
CAPABLE = AS_NOBODY + ["--inh-caps=+wake_alarm", "--ambient-caps=+wake_alarm"]
NO_CAPABILITY = 3


def timer(pid):
    """The fields of the process's one timerfd, from /proc/PID/fdinfo."""
    for fd in os.listdir(f"/proc/{pid}/fd"):
        if os.readlink(f"/proc/{pid}/fd/{fd}") == "anon_inode:[timerfd]":
            with open(f"/proc/{pid}/fdinfo/{fd}") as f:
                return dict(line.split(":", 1) for line in f.read().splitlines())
    return None


def remaining(info):
    seconds, nanoseconds = info["it_value"].strip(" ()").split(",")
    return int(seconds) + int(nanoseconds) / 1e9


class WakeHelper(unittest.TestCase):
    def setUp(self):
        if os.getuid() != 0:
            self.skipTest("only root can start it with and without the capability")
        # Where nobody can reach it, however deep the build lies.
        self.dir = tempfile.mkdtemp(prefix="zelka-wake-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        os.chmod(self.dir, 0o755)
        self.helper = shutil.copy(HELPER, self.dir)

    def start(self, prefix=(), stdin=subprocess.PIPE):
        proc = subprocess.Popen([*prefix, self.helper], stdin=stdin, stdout=subprocess.PIPE)
        self.addCleanup(lambda: (proc.kill(), proc.wait()))
        return proc

    def test_each_line_arms_rearms_or_disarms_the_alarm_timer(self):
        # (row, line, what the timer shows after it: (armed, seconds left) or a tick count)
        now = int(time.time())
        rows = [
            ("arms at the time", b"%d\n" % (now + 3600), (True, 3600)),
            ("a new line re-arms", b"%d\n" % (now + 7200), (True, 7200)),
            ("a word is ignored", b"soon\n", (True, 7200)),
            ("a sign is ignored", b"-5\n", (True, 7200)),
            ("an overlong line is ignored", b"1" * 40 + b"\n", (True, 7200)),
        ]
        # Whether an armed timer fires is the kernel's business, shown once, as root.
        timed = [
            ("0 disarms before it is due", lambda: b"%d\n0\n" % (int(time.time()) + 2), "ticks 0"),
            ("armed, it fires when due", lambda: b"%d\n" % (int(time.time()) + 2), "ticks 1"),
        ]
        for who, prefix, table in (("root", (), rows + timed),
                                   ("nobody given the capability", CAPABLE, rows)):
            proc = self.start(prefix)
            self.assertEqual(proc.stdout.readline(), b"ready\n", who)
            self.assertEqual(timer(proc.pid)["clockid"].strip(), "8", who)
            for row, line, expected in table:
                with self.subTest(who=who, row=row):
                    # Timed rows are due two seconds from when they are written.
                    proc.stdin.write(line() if callable(line) else line)
                    proc.stdin.flush()
                    if isinstance(expected, str):
                        # The kernel shows an alarm timer's last expiry even once disarmed:
                        # what fired is the proof.
                        time.sleep(2.5)
                        self.assertEqual("ticks " + timer(proc.pid)["ticks"].strip(), expected)
                        continue
                    time.sleep(0.2)
                    info = timer(proc.pid)
                    self.assertEqual(info["settime flags"].strip() == "01", expected[0])
                    self.assertAlmostEqual(remaining(info), expected[1] - (time.time() - now),
                                           delta=1.5)
            proc.stdin.close()
            self.assertEqual(proc.wait(1), 0, f"{who}: end of input")

    def test_without_the_capability_it_ends_with_its_own_status(self):
        proc = self.start(AS_NOBODY)
        self.assertEqual(proc.wait(5), NO_CAPABILITY)
        self.assertEqual(proc.stdout.read(), b"")

    def test_it_ends_within_a_second_of_its_parents_death(self):
        # The test holds the input open: only the parent's death can end it.
        read_end, write_end = os.pipe()
        self.addCleanup(os.close, write_end)
        parent = subprocess.Popen(
            [sys.executable, "-c",
             "import subprocess, sys, time\n"
             f"p = subprocess.Popen([{self.helper!r}], stdin={read_end})\n"
             "print(p.pid, flush=True)\ntime.sleep(60)\n"],
            stdout=subprocess.PIPE, pass_fds=[read_end])
        os.close(read_end)
        self.addCleanup(lambda: (parent.kill(), parent.wait()))
        pid = int(parent.stdout.readline())
        self.assertTrue(wait_until(lambda: timer(pid) is not None, 5))
        parent.kill()
        parent.wait()

        def gone():
            try:
                with open(f"/proc/{pid}/stat") as f:
                    return f.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
            except FileNotFoundError:
                return True
        self.assertTrue(wait_until(gone, 1.0), "still running a second after its parent died")


class ClockWithoutWaking(ClockTestCase):
    def test_without_the_capability_it_says_so_and_otherwise_works(self):
        user = Unprivileged()
        self.addCleanup(user.close)
        self.run_.cleanup()
        self.run_ = Zelka(self.x, session=user)
        data = settings_file(windowX=40, windowY=50, alarms=[(7, 30, "", 0, "Ring.wav")])
        self.run_.write(data)
        face = self.run_.start().wait_face()
        self.assertIsNotNone(face)
        time.sleep(1)
        self.x.close_request(face[0])
        self.assertEqual(self.run_.wait_exit(), 0)
        self.assertEqual(self.run_.read(), data)
        said = self.run_.proc.stderr.read().decode()
        self.assertIn("waking from sleep unavailable", said)
        if os.getuid() == 0:
            self.assertIn("ended with status 3 (no CAP_WAKE_ALARM)", said)


if __name__ == "__main__":
    unittest.main()
