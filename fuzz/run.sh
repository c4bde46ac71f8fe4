#!/usr/bin/env bash
# Builds the settings-loader fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) and runs
# it for a bounded time. Usage: fuzz/run.sh [seconds]   (default 60)
# Inputs are at most 128 KiB, so any single allocation over 1 MiB (-malloc_limit_mb) would be
# one the file's own size cannot explain, and is reported as a failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZELKA_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-60}
bash "$root/scripts/setup.sh"
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -q --no-install-recommends clang libclang-rt-dev
fi
sanitize="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  -DZELKA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$sanitize" >/dev/null
cmake --build "$build" --target fuzz_settings
work=$(mktemp -d)
cp "$root"/fuzz/corpus/* "$work"/
"$build/fuzz/fuzz_settings" "$work" -max_len=131072 -malloc_limit_mb=1 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -print_final_stats=1 -timeout=10
echo "corpus grew to $(ls "$work" | wc -l) inputs in $work"
