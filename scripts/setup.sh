#!/usr/bin/env bash
# Installs every Debian package Zelka! needs to build, run and test. Safe to run again.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  # translations: lupdate and lrelease, and Qt's own texts in Chinese
  qt6-l10n-tools qt6-translations-l10n
  # sound: SDL2_mixer; JACK's dev package keeps apt from swapping the JACK runtime
  libsdl2-mixer-dev libjack-jackd2-dev
  # run: Qt's X11, Wayland and offscreen platform plugins, a CJK font for the dialogs
  qt6-qpa-plugins qt6-wayland fonts-wqy-microhei
  # tests: a headless X server and a client to send real close requests
  xvfb xauth x11-utils python3 python3-xlib xclip
  # tests: a sound server to connect to and to lose while an alarm rings
  pulseaudio pulseaudio-utils
  # tests: a session bus with a notification server, and a wall clock set for one process
  dbus-daemon python3-dbus python3-dbusmock libfaketime
  # tests: a screen reader's view of the face: the AT-SPI buses and a client for them
  at-spi2-core python3-pyatspi
  # tests: a real window manager and taskbar
  openbox tint2
  # tests: a Wayland session (sway, drawn into an Xvfb window) with XWayland beside it
  sway xwayland
  # tests: the validators for the menu entry and the software-centre metadata, and groff
  # for the manual page
  desktop-file-utils appstream groff-base
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
