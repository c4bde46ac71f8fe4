#!/usr/bin/env bash
# Installs the Debian packages Zelka! needs. Safe to run again.
#   setup.sh          what building and running the clock needs, nothing more
#   setup.sh --test   that, and what the test suite needs
#   --print           lists the packages that would be installed, and installs nothing
set -euo pipefail

tests=0
print=0
for arg in "$@"; do
  case "$arg" in
    --test) tests=1 ;;
    --print) print=1 ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 64 ;;
  esac
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev libxcb-dpms0-dev
  # translations: lupdate and lrelease, and Qt's own texts in Chinese
  qt6-l10n-tools qt6-translations-l10n
  # sound: SDL2_mixer; JACK's dev package keeps apt from swapping the JACK runtime;
  # libpulse's headers for the look at the sound output (its library comes with SDL2)
  libsdl2-mixer-dev libjack-jackd2-dev libpulse-dev
  # run: Qt's X11, Wayland and offscreen platform plugins, a CJK font for the dialogs, and
  # xdpyinfo, with which run.sh checks the display before starting the clock
  qt6-qpa-plugins qt6-wayland fonts-wqy-microhei x11-utils
)

if [ "$tests" -eq 1 ]; then
  packages+=(
    # a headless X server and a client to send real close requests
    xvfb xauth python3 python3-xlib xclip
    # a session bus with a notification server, and a wall clock set for one process
    dbus-daemon python3-dbus python3-dbusmock libfaketime
    # a screen reader's view of the face: the AT-SPI buses and a client for them
    at-spi2-core python3-pyatspi
    # a real window manager and taskbar, and a click the way scripts send one
    openbox tint2 xdotool
    # a Wayland session (sway, drawn into an Xvfb window) with XWayland beside it
    sway xwayland
    # the validators for the menu entry and the software-centre metadata, and groff for
    # the manual page
    desktop-file-utils appstream groff-base
    # pactl, to look at and mute a sound server's streams
    pulseaudio-utils
    # encoders that make the tests' Ogg Vorbis and FLAC alarm sounds from their own tones
    flac vorbis-tools
  )
  # A sound server to connect to and to lose while an alarm rings. PipeWire's pulse server
  # answers the same clients, and installing PulseAudio beside it would remove it: where
  # PipeWire is installed the tests that start their own PulseAudio skip instead.
  if ! installed pipewire-pulse && ! installed pipewire-audio; then
    packages+=(pulseaudio)
  fi
fi

if [ "$print" -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
