"""Runs the real zelka binary under a private Xvfb or sway, in a scratch directory.

Used by the end-to-end tests and by the benchmark. Needs Debian's python3-xlib, which
/usr/bin/python3 sees.
"""
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import struct
import time
import unittest
import zlib

from Xlib import X, XK, display, protocol
from Xlib.ext import randr, xtest
from Xlib.protocol import rq

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BINARY = os.environ.get("ZELKA_BIN", os.path.join(ROOT, "build", "zelka"))
RES = os.path.join(ROOT, "res")
NOBODY = 65534
FACE = (3, 3)  # the face inside the window's border
# An alarm at 07:30 and the wall clock a clock test sets once the face is up.
ALARM_MINUTE = "2026-12-09 07:30:00"


def wait_until(condition, timeout=10.0, step=0.01):
    """Polls condition() until it returns something truthy; returns that, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            return None
        time.sleep(step)


def write_png(path, width, height, filtered_rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(filtered_rows, 9)) + chunk(b"IEND", b""))


def read_png(path):
    """The rows of an 8-bit RGB or RGBA PNG without interlacing (as Qt writes the art), each
    as bytes of RGB triples."""
    with open(path, "rb") as f:
        data = f.read()
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and not interlace, path
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    size = 3 if colour == 2 else 4
    raw, stride, previous, rows = zlib.decompress(idat), width * size, bytes(width * size), []
    for r in range(height):
        kind, line = raw[r * (stride + 1)], bytearray(raw[r * (stride + 1) + 1:(r + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - size] if i >= size else 0
            b, c = previous[i], previous[i - size] if i >= size else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        previous = bytes(line)
        rows.append(bytes(v for k, v in enumerate(line) if k % size < 3))
    return rows


class _SetMonitor(rq.Request):
    """RandR's SetMonitor, flat: python3-xlib 0.33 cannot pack its nested record."""
    _request = rq.Struct(
        rq.Card8("opcode"), rq.Opcode(43), rq.RequestLength(), rq.Window("window"),
        rq.Card32("name"), rq.Bool("primary"), rq.Bool("automatic"), rq.LengthOf("outputs", 2),
        rq.Int16("x"), rq.Int16("y"), rq.Card16("width"), rq.Card16("height"),
        rq.Card32("mm_width"), rq.Card32("mm_height"), rq.List("outputs", rq.Card32Obj))


class Xvfb:
    """A private X server on a free display number."""

    def __init__(self, size="1280x1024x24"):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", size, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        self.dpy = display.Display(self.name)
        self.framed = False  # a window manager puts top-level windows into frames

    def close(self):
        if self.framed:
            self.wm.terminate()
            self.wm.wait(timeout=10)
            shutil.rmtree(self.wm_home, ignore_errors=True)
        try:
            self.dpy.close()
        except Exception:
            pass
        self.proc.terminate()
        self.proc.wait(timeout=10)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def windows(self, title="Zelka!"):
        """Mapped top-level windows with that title, as (window, x, y, width, height)."""
        found = []
        root = self.dpy.screen().root
        tops = root.query_tree().children
        if self.framed:  # the clients inside the window manager's frames
            listed = root.get_full_property(self.dpy.intern_atom("_NET_CLIENT_LIST"), 0)
            tops = [self.dpy.create_resource_object("window", w)
                    for w in (listed.value if listed else [])]
        for w in tops:
            try:
                if w.get_attributes().map_state != X.IsViewable:
                    continue
                name = w.get_full_text_property(self.dpy.intern_atom("_NET_WM_NAME")) \
                    or w.get_wm_name()
                if name != title:
                    continue
                g = w.get_geometry()
                pos = w.translate_coords(root, 0, 0)
                found.append((w, -pos.x, -pos.y, g.width, g.height))
            except Exception:
                continue  # the window went away while we looked
        return found

    def window_manager(self):
        """Starts openbox here, until the server closes; returns its process."""
        self.wm_home = tempfile.mkdtemp(prefix="zelka-wm-")
        ready = os.path.join(self.wm_home, "ready")
        # openbox runs its start-up command once it manages windows; a window mapped
        # before that may be left unmanaged and unmapped.
        self.wm = subprocess.Popen(["openbox", "--startup", f"touch {ready}"],
                                   env=dict(os.environ, DISPLAY=self.name, HOME=self.wm_home),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.framed = True
        if not wait_until(lambda: os.path.exists(ready), 10):
            raise RuntimeError("openbox did not start")
        return self.wm

    def others(self):
        """Mapped top-level windows other than a face, as (title, window)."""
        found = []
        for w in self.dpy.screen().root.query_tree().children:
            try:
                if w.get_attributes().map_state != X.IsViewable:
                    continue
                g = w.get_geometry()
                if (g.width, g.height) == (157, 136) or g.width < 20:
                    continue
                name = w.get_full_text_property(self.dpy.intern_atom("_NET_WM_NAME")) \
                    or w.get_wm_name() or ""
                found.append((name, w))
            except Exception:
                continue  # the window went away while we looked
        return found

    def clipboard(self):
        """The CLIPBOARD selection's text, or None."""
        got = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"], capture_output=True,
                             env=dict(os.environ, DISPLAY=self.name), timeout=5)
        return got.stdout.decode("utf-8") if got.returncode == 0 else None

    def face(self):
        hits = [w for w in self.windows() if w[3:] == (157, 136)]
        return hits[0] if hits else None

    def message_box(self):
        hits = [w for w in self.windows() if w[3:] != (157, 136)]
        return hits[0] if hits else None

    def date_row(self, face):
        """The date row's pixels: the ringing banner covers it, the normal face shows it."""
        return b"".join(self.pixels(face[1] + FACE[0] + 20, face[2] + FACE[1] + 15, 110, 12))

    def painted(self, face):
        """Whether the face shows more than its background: mapped is not yet painted."""
        row = self.date_row(face)
        return len({row[i:i + 3] for i in range(0, len(row), 3)}) > 1

    def close_request(self, window):
        """Sends WM_DELETE_WINDOW, as a window manager's close button does."""
        protocols = self.dpy.intern_atom("WM_PROTOCOLS")
        delete = self.dpy.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event)
        self.dpy.flush()

    def pixels(self, x, y, width, height):
        """That part of the screen, row by row, each as bytes of RGB triples."""
        raw = self.dpy.screen().root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        rows = []
        for r in range(height):
            line = bytearray()
            for c in range(width):
                b, g, red = raw[(r * width + c) * 4:(r * width + c) * 4 + 3]
                line += bytes((red, g, b))
            rows.append(bytes(line))
        return rows

    def screenshot(self, path, x, y, width, height, scale=1):
        """Writes that part of the screen as a PNG, each pixel repeated scale times."""
        rows = []
        for line in self.pixels(x, y, width, height):
            wide = b"".join(line[i:i + 3] * scale for i in range(0, len(line), 3))
            rows.extend([b"\0" + wide] * scale)
        write_png(path, width * scale, height * scale, b"".join(rows))

    def click(self, x, y, button=1):
        """Moves the real pointer to a screen point and clicks there."""
        xtest.fake_input(self.dpy, X.MotionNotify, x=x, y=y)
        self.dpy.sync()
        time.sleep(0.05)
        xtest.fake_input(self.dpy, X.ButtonPress, button)
        self.dpy.sync()
        time.sleep(0.05)
        xtest.fake_input(self.dpy, X.ButtonRelease, button)
        self.dpy.sync()
        time.sleep(0.05)

    def drag(self, x, y, dx, dy, steps=10):
        """Presses the left button at a screen point, moves by (dx, dy) in steps, releases."""
        xtest.fake_input(self.dpy, X.MotionNotify, x=x, y=y)
        self.dpy.sync()
        time.sleep(0.1)
        xtest.fake_input(self.dpy, X.ButtonPress, 1)
        self.dpy.sync()
        time.sleep(0.1)
        for i in range(1, steps + 1):
            xtest.fake_input(self.dpy, X.MotionNotify, x=x + dx * i // steps,
                             y=y + dy * i // steps)
            self.dpy.sync()
            time.sleep(0.03)
        time.sleep(0.1)
        xtest.fake_input(self.dpy, X.ButtonRelease, 1)
        self.dpy.sync()
        time.sleep(0.1)

    def keys(self, *names, modifier=None):
        """Types keys by keysym name ("Tab", "7", "Escape"), optionally with a modifier held."""
        held = self.dpy.keysym_to_keycode(XK.string_to_keysym(modifier)) if modifier else None
        for name in names:
            code = self.dpy.keysym_to_keycode(XK.string_to_keysym(name))
            if held:
                xtest.fake_input(self.dpy, X.KeyPress, held)
            xtest.fake_input(self.dpy, X.KeyPress, code)
            xtest.fake_input(self.dpy, X.KeyRelease, code)
            if held:
                xtest.fake_input(self.dpy, X.KeyRelease, held)
            self.dpy.sync()
            time.sleep(0.05)

    def move(self, window, x, y):
        window.configure(x=x, y=y)
        self.dpy.sync()

    def monitor(self, name, rect=None, primary=False):
        """Adds a RandR monitor (x, y, width, height), which Qt takes for a screen, or with
        no rect removes it. The primary one holds Xvfb's one output."""
        d, root = self.dpy, self.dpy.screen().root
        if rect is None:
            root.xrandr_delete_monitor(d.intern_atom(name))
        else:
            _SetMonitor(display=d.display, opcode=d.display.get_extension_major(randr.extname),
                        window=root, name=d.intern_atom(name), primary=primary, automatic=False,
                        x=rect[0], y=rect[1], width=rect[2], height=rect[3], mm_width=rect[2] // 4,
                        mm_height=rect[3] // 4, outputs=self.randr()["outputs"][:primary])
        d.sync()

    def resize(self, width, height):
        """Switches Xvfb's one output to a smaller mode, as a monitor set to a lower
        resolution: Qt's screen changes its geometry."""
        d, res, name = self.dpy, self.randr(), f"{width}x{height}"
        mode = d.screen().root.xrandr_create_mode(dict(
            id=0, width=width, height=height, dot_clock=60 * width * height, h_sync_start=width,
            h_sync_end=width, h_total=width, h_skew=0, v_sync_start=height, v_sync_end=height,
            v_total=height, name_length=len(name), flags=0), name)._data["mode"]
        d.xrandr_add_output_mode(res["outputs"][0], mode)
        d.xrandr_set_crtc_config(res["crtcs"][0], res["config_timestamp"], 0, 0, mode,
                                 randr.Rotate_0, res["outputs"][:1])
        d.screen().root.xrandr_set_screen_size(width, height, width // 4, height // 4)
        d.sync()

    def randr(self):
        return self.dpy.screen().root.xrandr_get_screen_resources()._data


class Sway:
    """A private sway session drawn into a window of its own Xvfb, XWayland beside it.

    Its clients get the Xvfb's pointer, so XTEST drives them; sway's layout coordinates are
    the Xvfb's. sway refuses to run as root: root runs it, and its clients, as nobody.
    """

    def __init__(self):
        self.x = Xvfb("1024x768x24")
        self.runtime = tempfile.mkdtemp(prefix="zelka-sway-")
        self.user, self.prefix, self.binary = None, [], BINARY
        if os.getuid() == 0:
            self.user = NOBODY
            os.chown(self.runtime, NOBODY, NOBODY)
            self.prefix = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
            # The build may sit where nobody cannot reach it (under /root, say).
            self.binary = os.path.join(self.runtime, "zelka")
            shutil.copy(BINARY, self.binary)
        found = os.path.join(self.runtime, "displays")
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write("default_border none\n"
                    f'exec echo "$WAYLAND_DISPLAY $DISPLAY" > {found}\n')
        env = dict(os.environ, DISPLAY=self.x.name, XDG_RUNTIME_DIR=self.runtime,
                   HOME=self.runtime, WLR_BACKENDS="x11", WLR_RENDERER="pixman")
        env.pop("WAYLAND_DISPLAY", None)
        self.proc = subprocess.Popen(self.prefix + ["sway", "-c", config], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def displays():
            if os.path.exists(found):
                with open(found) as f:
                    text = f.read()
                return text.split() if text.endswith("\n") else None
        names = wait_until(displays, 10)
        if not names or len(names) != 2:
            self.close()
            raise RuntimeError("sway did not start")
        self.socket = os.path.join(self.runtime, names[0])
        self.display = names[1]
        self.ipc = [os.path.join(self.runtime, n) for n in os.listdir(self.runtime)
                    if n.startswith("sway-ipc.")][0]

    def windows(self, title="Zelka!"):
        """sway's windows with that title, as (shell, x, y, width, height)."""
        tree = json.loads(subprocess.run(["swaymsg", "-s", self.ipc, "-r", "-t", "get_tree"],
                                         capture_output=True, check=True).stdout)
        found, todo = [], [tree]
        while todo:
            node = todo.pop()
            todo += node.get("nodes", []) + node.get("floating_nodes", [])
            if node.get("name") == title and node.get("shell"):
                r = node["rect"]
                found.append((node["shell"], r["x"], r["y"], r["width"], r["height"]))
        return found

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        shutil.rmtree(self.runtime, ignore_errors=True)
        self.x.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Unprivileged:
    """Runs the clock as a user whom permissions bind: nobody when the tests run as root
    (root passes every permission check), the user itself otherwise. Pass it to Zelka as
    session; close it after the run."""

    def __init__(self):
        self.user, self.prefix, self.binary, self.copy = None, [], BINARY, None
        if os.getuid() == 0:
            self.user = NOBODY
            self.prefix = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
            # The build may sit where nobody cannot reach it (under /root, say).
            self.copy = tempfile.mkdtemp(prefix="zelka-bin-")
            os.chmod(self.copy, 0o755)
            self.binary = os.path.join(self.copy, "zelka")
            shutil.copy(BINARY, self.binary)
            # Its wake-up helper too, without the capability a package would give it.
            helper = os.path.join(os.path.dirname(BINARY), "zelka-wake")
            if os.path.exists(helper):
                shutil.copy(helper, self.copy)

    def close(self):
        if self.copy:
            shutil.rmtree(self.copy, ignore_errors=True)


class Zelka:
    """One run of the clock in a scratch directory that holds the default sounds."""

    def __init__(self, xvfb, sounds=("Ring.wav", "Ding.wav"), workdir=None, env=None,
                 session=None):
        """With xvfb None, no display is set: env names one. With a session (a Sway), the
        clock runs as the user that session runs as."""
        self.xvfb = xvfb
        self.user = session.user if session else None
        self.prefix = session.prefix if session else []
        self.binary = session.binary if session else BINARY
        self.own_dir = workdir is None
        self.dir = workdir or tempfile.mkdtemp(prefix="zelka-e2e-")
        for s in sounds:
            shutil.copy(os.path.join(RES, s), os.path.join(self.dir, s))
        self.runtime = tempfile.mkdtemp(prefix="zelka-xdg-")
        # No bus unless a test brings one: an unset session address would autolaunch one,
        # and the machine's own logind would be asked for its inhibitors.
        # The state folder (save journals) private to the run, and the user's to write.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, SDL_AUDIODRIVER="dummy",
                        DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.runtime}/no-bus",
                        DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.runtime}/no-system-bus",
                        XDG_STATE_HOME=os.path.join(self.runtime, "state"))
        # The original language unless a test asks for another.
        self.env["LANG"] = "C.UTF-8"
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL",
                     "LC_MESSAGES"):
            self.env.pop(name, None)
        if xvfb:
            self.env.update(DISPLAY=xvfb.name, QT_QPA_PLATFORM="xcb")
        self.env.update(env or {})
        self.proc = None
        if self.user is not None:
            for path in [self.dir, self.runtime] + [self.path(s) for s in sounds]:
                os.chown(path, self.user, self.user)

    def path(self, name="ZELKA!.DAT"):
        return os.path.join(self.dir, name)

    def write(self, data, name="ZELKA!.DAT"):
        with open(self.path(name), "wb") as f:
            f.write(data)
        if self.user is not None:
            os.chown(self.path(name), self.user, self.user)

    def read(self, name="ZELKA!.DAT"):
        with open(self.path(name), "rb") as f:
            return f.read()

    def start(self, stderr=subprocess.PIPE):
        self.started = time.monotonic()
        self.proc = subprocess.Popen(self.prefix + [self.binary], cwd=self.dir, env=self.env,
                                     stdout=subprocess.DEVNULL, stderr=stderr)
        return self



    def start_before(self, alarm, at=ALARM_MINUTE, **env):
        """Starts the clock with one alarm, (hour, minute, message, show, sound), and sets its
        wall clock to at, by default the alarm's minute, once the face is up; returns the face
        or None."""
        from settingsbytes import settings_file
        self.write(settings_file(alarms=[alarm]))
        return self.start_at(at, **env)

    def start_at(self, at, every_clock=False, **env):
        """Starts the clock on a faked wall clock at the first second of the minute before
        at (of at's own minute when at is past its first second) and, once the face is
        painted, sets that clock to at: a slow start-up costs no margin before the minute, and
        none is waited out. The clock takes the jump as a clock set by hand (with every_clock,
        which fakes every clock of the process, as a process stopped that long)."""
        self.jumps = TimeJumps(self.runtime)
        before = time.localtime(time.mktime(time.strptime(at, "%Y-%m-%d %H:%M:%S")) - 1)
        self.env.update(faked_time(time.strftime("%Y-%m-%d %H:%M:00", before), self.jumps,
                                   wall_only=not every_clock), **env)
        self.start()
        face = self.wait_face()
        if face and wait_until(lambda: self.xvfb.painted(face), 10):
            self.normal = self.xvfb.date_row(face)
            self.jumps.forward_to(at)
            return face
        return None

    def ringing(self, face):
        """Whether the face started by start_at shows the ringing banner."""
        return self.xvfb.date_row(face) != self.normal

    # A bound, not a wait: a sanitizer build under a window manager on a busy machine can
    # take more than ten seconds to map.
    def wait_face(self, timeout=30):
        return wait_until(self.xvfb.face, timeout)

    def answer_message_box(self, timeout=10):
        box = wait_until(self.xvfb.message_box, timeout)
        if box:
            self.xvfb.close_request(box[0])
        return box

    def wait_exit(self, timeout=10):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None

    def signal(self, signo=signal.SIGTERM):
        self.proc.send_signal(signo)

    def cleanup(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.proc and self.proc.stderr:
            self.proc.stderr.close()
        shutil.rmtree(self.runtime, ignore_errors=True)
        if self.own_dir:
            shutil.rmtree(self.dir, ignore_errors=True)


def pulse_server(runtime, log=None):
    """A private PulseAudio with one null sink, listening on runtime/pulse/native; with log,
    it writes there each client it frees, by name."""
    logging = ["-v", f"--log-target=file:{log}"] if log else []
    return subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", *logging,
         "-L", "module-null-sink", "-L", "module-native-protocol-unix auth-anonymous=1"],
        env=dict(os.environ, HOME=runtime, XDG_RUNTIME_DIR=runtime),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def faked_time(start, jumps=None, wall_only=False):
    """Environment that starts the clock's wall time at start ("2026-12-09 07:29:57") and
    lets it run; timers and the suspend clocks stay real. With jumps (a TimeJumps), every
    clock of the process is faked and jumps.forward() moves them all at once, as a process
    stopped that long would find them; with wall_only too, only the wall clock moves."""
    libraries = [os.path.join(d, "faketime", "libfaketimeMT.so.1")
                 for d in ("/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/usr/lib")]
    found = [p for p in libraries if os.path.exists(p)]
    if not found:
        raise unittest.SkipTest("libfaketime is missing (scripts/setup.sh --test installs it)")
    # A sanitizer build wants its runtime first of all libraries; libfaketime may go first.
    asan = ":".join(o for o in (os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0") if o)
    if jumps:
        jumps.begin(start)
        return dict(LD_PRELOAD=found[0], FAKETIME_TIMESTAMP_FILE=jumps.path,
                    FAKETIME_NO_CACHE="1", ASAN_OPTIONS=asan,
                    **({"FAKETIME_DONT_FAKE_MONOTONIC": "1"} if wall_only else {}))
    return dict(LD_PRELOAD=found[0], FAKETIME="@" + start, FAKETIME_DONT_FAKE_MONOTONIC="1",
                FAKETIME_NO_CACHE="1", ASAN_OPTIONS=asan)


class TimeJumps:
    """A faked time kept in a file libfaketime reads at every call: moving it moves the
    wall, monotonic and boot-time clocks of the process together. A changed file is the
    time from the moment it is read, so each jump counts the seconds run since the last."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "faketime")

    def begin(self, start):
        self.start = time.mktime(time.strptime(start, "%Y-%m-%d %H:%M:%S"))
        self._write()

    def forward(self, seconds):
        self.start += seconds + round(time.monotonic() - self.written)
        self._write()

    def forward_to(self, at):
        """Sets the clocks to at, unless they are past it already."""
        gone = time.monotonic() - self.written
        target = time.mktime(time.strptime(at, "%Y-%m-%d %H:%M:%S"))
        if target > self.start + gone:
            self.start = target
            self._write()

    def _write(self):
        self.written = time.monotonic()
        with open(self.path + ".new", "w") as f:
            f.write(time.strftime("@%Y-%m-%d %H:%M:%S\n", time.localtime(self.start)))
        os.replace(self.path + ".new", self.path)


class SessionBus:
    """A private session bus in a scratch home, so that nothing it starts changes a user's
    settings, with python3-dbusmock's notification server on it and, with accessibility,
    the AT-SPI bus launcher with accessibility switched on, as a screen reader has it."""

    def __init__(self, notifications=True, accessibility=False):
        import dbus  # Debian's python3-dbus, seen by /usr/bin/python3
        self.dir = tempfile.mkdtemp(prefix="zelka-bus-")
        os.chmod(self.dir, 0o700)
        self.address = f"unix:path={self.dir}/bus"
        # The servers, and the daemons the buses start, inherit this environment.
        self.env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir,
                        XDG_CONFIG_HOME=f"{self.dir}/config", XDG_CACHE_HOME=f"{self.dir}/cache",
                        GSETTINGS_BACKEND="memory", DBUS_SESSION_BUS_ADDRESS=self.address,
                        NO_AT_BRIDGE="1")
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        self.bus = self.server = self.launcher = self.system = None
        self.daemons, self.mocks = [], []
        try:
            self.bus = self._daemon(self.address)
            self.daemon = self.daemons[0]
            if notifications:
                self.start_server()
            if accessibility:
                self.launcher = self._started(["/usr/libexec/at-spi-bus-launcher",
                                               "--launch-immediately"], "org.a11y.Bus")
                status = dbus.Interface(self.bus.get_object("org.a11y.Bus", "/org/a11y/bus"),
                                        "org.freedesktop.DBus.Properties")
                status.Set("org.a11y.Status", "IsEnabled", True, timeout=10)
        except Exception:
            self.close()
            raise

    def _daemon(self, address):
        """Starts a bus daemon listening at address; returns a connection to it."""
        import dbus
        self.daemons.append(subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address", address],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        # The socket's file is there before the daemon listens on it: connect until it does.
        def connected():
            try:
                return dbus.bus.BusConnection(address)
            except dbus.exceptions.DBusException:
                return None
        bus = wait_until(connected, 10)
        if not bus:
            raise RuntimeError("dbus-daemon did not start")
        return bus

    def start_mock(self, name, path=None, interface=None, template=None, system=False):
        """Starts a python3-dbusmock service owning name, from a template or as one object
        at path with interface, on this session bus or on a second bus standing in for the
        system bus (its address in self.system_address); returns its Mock interface."""
        import dbus
        if system and not self.system:
            self.system_address = f"unix:path={self.dir}/system_bus"
            self.system = self._daemon(self.system_address)
            self.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.system_address
        bus = self.system if system else self.bus
        command = ["/usr/bin/python3", "-m", "dbusmock", "--system" if system else "--session"]
        command += ["-t", template] if template else [name, path, interface]
        self.mocks.append(self._started(command, name, bus))
        objects = {"logind": "/org/freedesktop/login1"}
        return dbus.Interface(bus.get_object(name, objects.get(template, path)),
                              "org.freedesktop.DBus.Mock")

    def _started(self, command, name, bus=None):
        """Starts command; returns its process once it owns name on the bus."""
        bus = bus or self.bus
        proc = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        if not wait_until(lambda: bus.name_has_owner(name), 10):
            proc.kill()
            proc.wait()
            raise RuntimeError(f"{command[-1]} did not start")
        return proc

    def start_server(self):
        """Starts a notification server, killing the running one first, as a crash and a
        restart do; returns once the new one owns the name."""
        import dbus
        name = "org.freedesktop.Notifications"
        if self.server:
            self.server.kill()
            self.server.wait()
            wait_until(lambda: not self.bus.name_has_owner(name), 10)
        self.server = self._started(["/usr/bin/python3", "-m", "dbusmock", "--session", "-t",
                                     "notification_daemon"], name)
        self.mock = dbus.Interface(self.bus.get_object(name, "/org/freedesktop/Notifications"),
                                   "org.freedesktop.DBus.Mock")

    def calls(self, method, mock=None):
        """The notification server's (or that mock's) calls of that method so far, as lists
        of plain Python arguments."""
        return [[_plain(a) for a in args] for _, name, args in (mock or self.mock).GetCalls()
                if name == method]

    def invoke_action(self, notification, action):
        """The user chooses an action on a notification."""
        import dbus
        self.mock.EmitSignal("org.freedesktop.Notifications", "ActionInvoked", "us",
                             [dbus.UInt32(notification), action])

    def forge_action(self, notification, action):
        """Another program on the bus sends the server's ActionInvoked signal."""
        import dbus
        message = dbus.lowlevel.SignalMessage("/org/freedesktop/Notifications",
                                              "org.freedesktop.Notifications", "ActionInvoked")
        message.append(dbus.UInt32(notification), action, signature="us")
        self.bus.send_message(message)

    def client(self, *args, timeout=20):
        """Runs atspiclient.py with args; returns what it printed, parsed as JSON."""
        out = subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(__file__),
                                                               "atspiclient.py"), *args],
                             env=self.env, capture_output=True, timeout=timeout, check=True)
        return json.loads(out.stdout)

    def listener(self, seconds):
        """Starts atspiclient.py listen; returns the process once it listens."""
        proc = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "atspiclient.py"),
             "listen", str(seconds)],
            env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        ready, _, _ = select.select([proc.stdout], [], [], 20)
        if not ready or proc.stdout.readline().strip() != "ready":
            proc.kill()
            proc.wait()
            raise RuntimeError("the AT-SPI listener did not start")
        return proc

    def close(self):
        for bus in (self.bus, self.system):
            if bus is not None:
                bus.close()
        for proc in (self.launcher, self.server, *self.mocks, *self.daemons):
            if proc and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def _plain(value):
    if isinstance(value, dict):
        return {str(k): _plain(v) for k, v in value.items()}
    if isinstance(value, (list, tuple)):
        return [_plain(v) for v in value]
    if isinstance(value, str):
        return str(value)
    if isinstance(value, (bytes, bytearray)):
        return bytes(value)
    return int(value)


class ClockTestCase(unittest.TestCase):
    """A test with an Xvfb of its own and one run of the clock in it; both end with the test."""

    def setUp(self):
        self.x = Xvfb()
        self.run_ = Zelka(self.x)

    def tearDown(self):
        self.run_.cleanup()
        self.x.close()
