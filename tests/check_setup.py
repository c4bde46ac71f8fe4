"""The first command installs what building and running the clock needs and nothing that
only the tests use; the test setup never replaces a sound server already installed."""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Packages a desktop user does not want from an alarm clock: sound servers, sessions on the
# login screen, test buses and validators.
TEST_ONLY = {"pulseaudio", "pulseaudio-utils", "openbox", "tint2", "sway", "xwayland", "xvfb",
             "xauth", "xclip", "python3-xlib", "dbus-daemon", "python3-dbus", "python3-dbusmock",
             "libfaketime", "at-spi2-core", "python3-pyatspi", "desktop-file-utils", "appstream",
             "groff-base", "flac", "vorbis-tools"}
RUNS_CLOCK = {"qt6-base-dev", "libsdl2-mixer-dev", "libxcb-dpms0-dev", "qt6-qpa-plugins",
              "fonts-wqy-microhei"}


def planned(*args, installed=()):
    """What setup.sh would install, with dpkg reporting only `installed` as present."""
    with tempfile.TemporaryDirectory() as shim:
        query = os.path.join(shim, "dpkg-query")
        with open(query, "w") as f:
            f.write("#!/bin/sh\ncase \" %s \" in *\" $3 \"*) echo 'install ok installed';; esac\n"
                    % " ".join(installed))
        os.chmod(query, 0o755)
        out = subprocess.run(["bash", os.path.join(ROOT, "scripts/setup.sh"), *args, "--print"],
                             env=dict(os.environ, PATH=shim + os.pathsep + os.environ["PATH"]),
                             capture_output=True, text=True, check=True).stdout
    return set(out.split())


failures = []
run = planned()
if run & TEST_ONLY:
    failures.append(f"run.sh would install test-only packages: {sorted(run & TEST_ONLY)}")
if RUNS_CLOCK - run:
    failures.append(f"run.sh would not install {sorted(RUNS_CLOCK - run)}")
if "pulseaudio" not in planned("--test"):
    failures.append("the tests' setup brings no sound server where there is none")
for server in ("pipewire-pulse", "pipewire-audio"):
    if "pulseaudio" in planned("--test", installed=(server,)):
        failures.append(f"the tests' setup would replace {server} with PulseAudio")
print("\n".join(failures) or "setup split as it should be")
sys.exit(1 if failures else 0)
