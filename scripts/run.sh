#!/usr/bin/env bash
# Installs what is missing, builds, and starts the clock in its per-user data directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" --program

data=${XDG_DATA_HOME:-$HOME/.local/share}/zelka
mkdir -p "$data"
for sound in Ring.wav Ding.wav; do
  [ -e "$data/$sound" ] || cp "$root/res/$sound" "$data/$sound"
done

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "zelka: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
  exit 1
fi
if [ -n "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && ! xdpyinfo >/dev/null 2>&1; then
  echo "zelka: cannot reach the X display '$DISPLAY'." >&2
  exit 1
fi

cd "$data"
exec "${ZELKA_BUILD_DIR:-$root/build}/zelka"
