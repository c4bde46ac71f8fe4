#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the checkout and checks it with lintian.
# The .deb and its .changes land in build-deb/; exits non-zero when lintian finds errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-deb

# The packaging tools and the source's Build-Depends, named without their versions.
build_depends=$(awk '/^Build-Depends:/ { on = 1; sub(/^Build-Depends:/, "") }
                     on && /^[A-Za-z-]+:/ && !/^Build-Depends:/ { on = 0 }
                     on { print }' "$root/debian/control" |
                tr ',' '\n' | sed 's/([^)]*)//; s/^ *//; s/ *$//' | grep -v -e '^$' -e '^debhelper-compat$')
packages=(dpkg-dev debhelper lintian fakeroot $build_depends)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  # JACK's dev package in the same line keeps apt from swapping the JACK runtime.
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" libjack-jackd2-dev
fi

# The working tree as git sees it (tracked and new files, nothing .gitignore excludes),
# so build folders never end up in the package and uncommitted edits still do.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
src=$work/zelka-$version
mkdir "$src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  xargs -0 -r sh -c 'for f; do if [ -e "$f" ] || [ -L "$f" ]; then printf "%s\0" "$f"; fi; done' _ |
  tar --null -T - -cf -) | tar -C "$src" -xf -

# The source package first, from the untouched copy, so lintian checks the source too.
(cd "$work" && dpkg-source --build "zelka-$version" >/dev/null)
export DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=$(nproc)}
(cd "$src" && dpkg-buildpackage -b -us -uc)

rm -rf "$out"
mkdir -p "$out"
cp "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$work"/*.dsc "$work"/*.tar.* "$out"/
cp "$work"/*.ddeb "$out"/ 2>/dev/null || true
cd "$out"
lintian --display-info --fail-on error ./*.changes ./*.dsc
