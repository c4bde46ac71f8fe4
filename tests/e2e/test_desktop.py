"""The clock under a real window manager and taskbar: openbox and tint2 in an Xvfb."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import Xvfb, Zelka, wait_until
from settingsbytes import settings_file

PANEL = (0, 0, 1280, 30)  # tint2 along the top of the screen, as configured below


class Desktop(unittest.TestCase):
    def setUp(self):
        if not (shutil.which("openbox") and shutil.which("tint2")):
            self.skipTest("no openbox or tint2 (scripts/setup.sh --test installs them)")
        self.x = Xvfb()
        self.home = tempfile.mkdtemp(prefix="zelka-desktop-")
        config = os.path.join(self.home, "tint2rc")
        with open(config, "w") as f:
            f.write("panel_items = T\npanel_position = top left horizontal\n"
                    "panel_size = 100% 30\npanel_background_id = 0\n"
                    "taskbar_mode = single_desktop\ntask_text = 1\ntask_icon = 1\n"
                    "task_maximum_size = 200 30\nfont_shadow = 0\n")
        env = dict(os.environ, DISPLAY=self.x.name, HOME=self.home)
        self.procs = [self.x.window_manager()]
        self.procs.append(subprocess.Popen(["tint2", "-c", config], env=env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(1.5)
        self.empty_panel = self.panel()

    def tearDown(self):
        for p in self.procs:
            p.terminate()
            p.wait(timeout=10)
        self.x.close()
        shutil.rmtree(self.home, ignore_errors=True)

    def panel(self):
        path = os.path.join(self.home, "panel.png")
        self.x.screenshot(path, *PANEL)
        with open(path, "rb") as f:
            return f.read()

    def managed_face(self):
        """The face once openbox manages it: a child of its frame, by name."""
        for top in self.x.dpy.screen().root.query_tree().children:
            try:
                for w in top.query_tree().children:
                    if w.get_wm_name() == "Zelka!" and w.get_geometry().width == 157:
                        return w
            except Exception:
                continue  # gone while we looked
        return None

    def clock_in_taskbar(self, hide):
        run = Zelka(self.x)
        try:
            run.write(settings_file(windowX=300, windowY=300, hideFromTaskbar=hide))
            run.start()
            face = wait_until(self.managed_face, 10)
            self.assertTrue(face, "no face")
            time.sleep(1.5)  # the panel draws its tasks
            shown = self.panel() != self.empty_panel
            if os.environ.get("ZELKA_SCREENSHOTS"):
                shutil.copy(os.path.join(self.home, "panel.png"),
                            os.path.join(os.environ["ZELKA_SCREENSHOTS"], f"tint2-hide{hide}.png"))
            dpy = self.x.dpy
            states = face.get_full_property(dpy.intern_atom("_NET_WM_STATE"), 0)
            names = {dpy.get_atom_name(a) for a in (states.value if states else [])}
            return shown, names
        finally:
            run.cleanup()

    def test_hidden_from_the_taskbar_and_the_pager(self):
        shown, states = self.clock_in_taskbar(hide=1)
        self.assertFalse(shown, "tint2 shows a task for the face")
        self.assertLessEqual({"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                              "_NET_WM_STATE_ABOVE"}, states)

    def test_shown_in_the_taskbar_when_asked(self):
        shown, states = self.clock_in_taskbar(hide=0)
        self.assertTrue(shown, "tint2 shows no task for the face")
        self.assertNotIn("_NET_WM_STATE_SKIP_TASKBAR", states)


if __name__ == "__main__":
    unittest.main()
