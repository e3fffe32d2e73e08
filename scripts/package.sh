#!/usr/bin/env bash
# Builds the Debian package from the release preset and checks its contents
# in a scratch root: the program runs, and the manual page is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target snapstamp
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls build/release/snapstamp_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
test -x "$scratch/usr/bin/snapstamp"
test -f "$scratch/usr/share/man/man1/snapstamp.1"
version=$("$scratch/usr/bin/snapstamp" --version)
echo "installed program says: $version"
[ "$version" = "snapstamp $(sed -n 's/^project(snapstamp VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ]
grep -q "snapstamp $(sed -n 's/^project(snapstamp VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" \
  "$scratch/usr/share/man/man1/snapstamp.1"
echo "package contents are complete"
