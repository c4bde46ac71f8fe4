"""`cmake --install` gives a launcher that prepares the user's data folder and starts the clock."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import Xvfb, wait_until

BUILD = os.path.dirname(os.environ.get("ZELKA_BIN", ""))


class Install(unittest.TestCase):
    def test_installed_launcher_starts_the_clock_in_the_data_folder(self):
        prefix = tempfile.mkdtemp(prefix="zelka-prefix-")
        home = tempfile.mkdtemp(prefix="zelka-home-")
        try:
            subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix, "--strip"],
                           check=True, capture_output=True)
            binary = os.path.join(prefix, "libexec/zelka/zelka")
            dynamic = subprocess.run(["readelf", "-d", binary], capture_output=True, text=True,
                                     check=True).stdout
            self.assertNotIn("RUNPATH", dynamic)
            self.assertNotIn("RPATH", dynamic)
            sections = subprocess.run(["readelf", "-S", binary], capture_output=True, text=True,
                                      check=True).stdout
            self.assertNotIn(".debug_info", sections)
            self.assertNotIn(".symtab", sections)
            for path in ("bin/zelka", "libexec/zelka/zelka", "share/zelka/Ring.wav",
                         "share/zelka/Ding.wav", "share/applications/zelka.desktop",
                         "share/icons/hicolor/32x32/apps/zelka.png"):
                self.assertTrue(os.path.exists(os.path.join(prefix, path)), path)
            with open(os.path.join(prefix, "share/applications/zelka.desktop"),
                      encoding="utf-8") as f:
                entry = f.read()
            self.assertIn("Name[zh_CN]=Zelka! 闹钟", entry)
            self.assertIn("Exec=zelka", entry)
            with Xvfb() as x:
                env = dict(os.environ, DISPLAY=x.name, XDG_DATA_HOME=os.path.join(home, "data"),
                           XDG_RUNTIME_DIR=home, SDL_AUDIODRIVER="dummy")
                env.pop("QT_QPA_PLATFORM", None)
                proc = subprocess.Popen([os.path.join(prefix, "bin/zelka")], env=env,
                                        stderr=subprocess.DEVNULL)
                try:
                    face = wait_until(x.face, 10)
                    self.assertIsNotNone(face)
                    data = os.path.join(home, "data", "zelka")
                    for name in ("Ring.wav", "Ding.wav", "ZELKA!.DAT"):
                        self.assertTrue(os.path.exists(os.path.join(data, name)), name)
                    # The launcher tells the clock it started it, for the autostart entry.
                    with open(f"/proc/{proc.pid}/environ", "rb") as f:
                        environ = f.read().split(b"\0")
                    self.assertIn(b"ZELKA_LAUNCHER=" + os.fsencode(
                        os.path.realpath(os.path.join(prefix, "bin/zelka"))), environ)
                    x.close_request(face[0])
                    self.assertEqual(proc.wait(timeout=10), 0)
                    self.assertEqual(os.path.getsize(os.path.join(data, "ZELKA!.DAT")), 49)
                finally:
                    if proc.poll() is None:
                        proc.kill()
        finally:
            shutil.rmtree(prefix, ignore_errors=True)
            shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
