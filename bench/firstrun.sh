#!/usr/bin/env bash
# Times `bash scripts/run.sh` from a fresh clone until the clock's window is mapped, with the
# packages already installed and no compiler cache. Usage: bench/firstrun.sh [COMMIT] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=${1:-HEAD}
runs=${2:-3}
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
work=$(mktemp -d)
trap 'kill "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
Xvfb :97 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
sleep 1
mapped() {  # the 157 x 136 face is on screen
  local id
  for id in $(DISPLAY=:97 xwininfo -root -tree 2>/dev/null | awk '/ 157x136\+/ {print $1}'); do
    DISPLAY=:97 xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && return 0
  done
  return 1
}
for run in $(seq "$runs"); do
  rm -rf "$work/clone" "$work/data"
  git clone -q "$root" "$work/clone"
  git -C "$work/clone" checkout -q "$commit"
  start=$(date +%s.%N)
  DISPLAY=:97 XDG_DATA_HOME="$work/data" SDL_AUDIODRIVER=dummy \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent bash "$work/clone/scripts/run.sh" \
    >"$work/log" 2>&1 & clock=$!
  until mapped; do
    kill -0 "$clock" 2>/dev/null || { cat "$work/log" >&2; exit 1; }
    sleep 0.2
  done
  end=$(date +%s.%N)
  kill "$clock"; wait "$clock" 2>/dev/null || true
  echo "run $run: $(echo "$end - $start" | bc) s"
done
