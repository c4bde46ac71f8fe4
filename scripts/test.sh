#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; exits non-zero on any failure.
# With --sanitize: the same suite in its own build with AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" --test
if [ "${1:-}" = "--sanitize" ]; then
  export ZELKA_BUILD_DIR=${ZELKA_BUILD_DIR:-$root/build-sanitize}
  # Leaks inside Qt and fontconfig are theirs, not ours: memory errors and undefined
  # behaviour are what this pass is for.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  bash "$root/scripts/build.sh" \
    "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
else
  bash "$root/scripts/build.sh"
fi
cd "${ZELKA_BUILD_DIR:-$root/build}"
ctest --output-on-failure --parallel "$(nproc)"
