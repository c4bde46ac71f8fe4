"""Alarms due while the ticks were kept away, and local time that moves under the clock."""
import os
import signal
import shutil
import subprocess
import time
import unittest

from harness import ALARM_MINUTE, ClockTestCase, SessionBus, TimeJumps, faked_time, wait_until
from settingsbytes import settings_file


class Timekeeping(ClockTestCase):
    """Each test reads the ringing notifications off a private notification server."""

    def setUp(self):
        if not shutil.which("dbus-daemon"):
            self.skipTest("no dbus-daemon (scripts/setup.sh installs it)")
        super().setUp()
        self.bus = SessionBus()
        self.addCleanup(self.bus.close)

    def start(self, at, *times, jumps=None, **env):
        self.run_.write(settings_file(alarms=[(h, m, "", 0, "Ring.wav") for h, m in times]))
        self.run_.env.update(faked_time(at, jumps), DBUS_SESSION_BUS_ADDRESS=self.bus.address,
                             **env)
        self.run_.start()
        self.assertIsNotNone(self.run_.wait_face(), "no face")

    def start_at(self, at, *times, every_clock=False):
        """The clock started with those alarms and its clock set to at once the face is up."""
        self.run_.write(settings_file(alarms=[(h, m, "", 0, "Ring.wav") for h, m in times]))
        self.assertIsNotNone(self.run_.start_at(at, every_clock=every_clock,
                                                DBUS_SESSION_BUS_ADDRESS=self.bus.address),
                             "no face")
        return self.run_.jumps

    def rings(self, summary, timeout):
        """Waits for a ringing notification with that summary."""
        return wait_until(lambda: [c for c in self.bus.calls("Notify") if c[3] == summary],
                          timeout, 0.2)

    def test_an_alarm_passed_while_another_rang_rings_when_it_stops(self):
        jumps = self.start_at(ALARM_MINUTE, (7, 30), (7, 31), every_clock=True)
        self.assertTrue(self.rings("闹钟 07:30", 15), "07:30 never rang")
        jumps.forward(125)  # it rang on past 07:32:00
        time.sleep(1.5)
        self.bus.invoke_action(1, "stop")
        self.assertTrue(self.rings("闹钟 07:31（晚了 1 分钟）", 10), self.bus.calls("Notify"))

    def test_a_stopped_process_rings_the_alarm_it_slept_through_on_waking(self):
        jumps = TimeJumps(self.run_.runtime)
        self.start("2026-12-09 07:29:55", (7, 30), jumps=jumps)
        self.run_.signal(signal.SIGSTOP)
        time.sleep(1)
        jumps.forward(70)  # stopped past 07:31:00
        self.run_.signal(signal.SIGCONT)
        self.assertTrue(self.rings("闹钟 07:30（晚了 1 分钟）", 10), self.bus.calls("Notify"))

    def test_an_alarm_in_the_hour_daylight_saving_skips_rings_after_it(self):
        self.start("2026-03-29 01:59:57", (2, 30), TZ="Europe/Berlin")
        self.assertTrue(self.rings("闹钟 02:30", 15), "02:30 never rang on the 29th of March")

    def test_alarms_follow_a_zone_changed_under_the_running_clock(self):
        tools = shutil.which("unshare") and shutil.which("nsenter")
        if os.geteuid() != 0 or not tools or subprocess.run(
                ["unshare", "-m", "true"], stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("a private mount namespace over /etc/localtime needs root")
        self.run_.env.pop("TZ", None)
        utc, tokyo = ("/usr/share/zoneinfo/" + z for z in ("Etc/UTC", "Asia/Tokyo"))
        self.run_.prefix = ["unshare", "-m", "--propagation", "private", "sh", "-c",
                            'mount --bind "$0" /etc/localtime && exec "$1"', utc]
        # Not on a timestamp file, which libfaketime reads in the zone of the moment.
        self.start("2026-12-09 07:30:54", (7, 31), (16, 31))
        subprocess.run(["nsenter", "-t", str(self.run_.proc.pid), "-m", "mount", "--bind",
                        tokyo, "/etc/localtime"], check=True)
        self.assertTrue(self.rings("闹钟 16:31", 15), self.bus.calls("Notify"))
        self.assertFalse(self.rings("闹钟 07:31", 0), "rang by the old zone")


if __name__ == "__main__":
    unittest.main()
