"""`cmake --install` gives a launcher that prepares the user's data folder and starts the clock."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import ROOT, Xvfb, wait_until

BUILD = os.path.dirname(os.environ.get("ZELKA_BIN", ""))


def install(prefix):
    subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix, "--strip"], check=True,
                   capture_output=True)


class Install(unittest.TestCase):
    def test_installed_launcher_starts_the_clock_in_the_data_folder(self):
        # As with --prefix ~/.local: the prefix's share/zelka is the user's data folder too.
        home = tempfile.mkdtemp(prefix="zelka-home-")
        prefix = os.path.join(home, ".local")
        data = os.path.join(prefix, "share", "zelka")
        os.makedirs(data)
        ring = os.path.join(data, "Ring.wav")
        with open(ring, "wb") as f:
            f.write(b"the user's own ring")
        try:
            install(prefix)
            binary = os.path.join(prefix, "libexec/zelka/zelka")
            dynamic = subprocess.run(["readelf", "-d", binary], capture_output=True, text=True,
                                     check=True).stdout
            self.assertNotIn("RUNPATH", dynamic)
            self.assertNotIn("RPATH", dynamic)
            sections = subprocess.run(["readelf", "-S", binary], capture_output=True, text=True,
                                      check=True).stdout
            self.assertNotIn(".debug_info", sections)
            self.assertNotIn(".symtab", sections)
            for path in ("bin/zelka", "libexec/zelka/zelka", "share/zelka/sounds/Ring.wav",
                         "share/zelka/sounds/Ding.wav", "share/applications/zelka.desktop",
                         "share/icons/hicolor/32x32/apps/zelka.png"):
                self.assertTrue(os.path.exists(os.path.join(prefix, path)), path)
            with open(os.path.join(prefix, "share/applications/zelka.desktop"),
                      encoding="utf-8") as f:
                entry = f.read()
            self.assertIn("Name[zh_CN]=Zelka! 闹钟", entry)
            self.assertIn("Exec=zelka", entry)
            with Xvfb() as x:
                env = dict(os.environ, DISPLAY=x.name, XDG_DATA_HOME=os.path.join(prefix, "share"),
                           XDG_RUNTIME_DIR=home, SDL_AUDIODRIVER="dummy")
                env.pop("QT_QPA_PLATFORM", None)
                proc = subprocess.Popen([os.path.join(prefix, "bin/zelka")], env=env,
                                        stderr=subprocess.DEVNULL)
                try:
                    face = wait_until(x.face, 10)
                    self.assertIsNotNone(face)
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
            before = {n: open(os.path.join(data, n), "rb").read()
                      for n in ("Ring.wav", "Ding.wav", "ZELKA!.DAT")}
            self.assertEqual(before["Ring.wav"], b"the user's own ring")
            install(prefix)
            subprocess.run(["bash", os.path.join(ROOT, "scripts/uninstall.sh"),
                            os.path.join(BUILD, "install_manifest.txt")], check=True)
            after = {n: open(os.path.join(data, n), "rb").read() for n in before}
            self.assertEqual(after, before)
            for gone in ("bin/zelka", "libexec/zelka", "share/zelka/sounds"):
                self.assertFalse(os.path.exists(os.path.join(prefix, gone)), gone)
        finally:
            shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
