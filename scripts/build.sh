#!/usr/bin/env bash
# Configures and builds into build/ (or $ZELKA_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZELKA_BUILD_DIR:-$root/build}
generator=()
command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ] && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
