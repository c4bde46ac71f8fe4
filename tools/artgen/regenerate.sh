#!/usr/bin/env bash
# Rebuilds the art generator and redraws every picture into res/art/.
# Usage: tools/artgen/regenerate.sh   (from anywhere; BUILD_DIR overrides the build folder)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-${TMPDIR:-/tmp}/artgen-build}"

cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build"
"$build/artgen" "$root/res/art"
echo "art written to $root/res/art"
