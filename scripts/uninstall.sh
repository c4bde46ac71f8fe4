#!/usr/bin/env bash
# Removes what `cmake --install build` wrote, as build/install_manifest.txt lists it, and the
# clock's own folders that this leaves empty. The data folder with the alarms and the sounds
# in it, and the autostart entry, are the user's and stay.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
manifest=${1:-${ZELKA_BUILD_DIR:-$root/build}/install_manifest.txt}
[ -f "$manifest" ] || { echo "uninstall.sh: no $manifest (install first)" >&2; exit 1; }
folders=()
while IFS= read -r file || [ -n "$file" ]; do
  rm -f -- "$file"
  case "$file" in
    # share/zelka is the data folder too when the prefix is ~/.local: only ever if empty.
    */share/zelka/sounds/*) folders+=("${file%/*}" "${file%/sounds/*}") ;;
    */libexec/zelka/*) folders+=("${file%/*}") ;;
  esac
done < "$manifest"
for folder in "${folders[@]}"; do
  rmdir -- "$folder" 2>/dev/null || true
done
