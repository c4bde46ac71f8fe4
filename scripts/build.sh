#!/usr/bin/env bash
# Configures and builds into build/ (or $ZELKA_BUILD_DIR). Extra arguments go to cmake.
# With --program first: only the clock and what it links, none of the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZELKA_BUILD_DIR:-$root/build}
targets=()
if [ "${1:-}" = "--program" ]; then
  targets=(--target zelka)
  shift
fi
generator=()
command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ] && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
