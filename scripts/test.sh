#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cd "${ZELKA_BUILD_DIR:-$root/build}"
ctest --output-on-failure --parallel "$(nproc)"
