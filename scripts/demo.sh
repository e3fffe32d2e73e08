#!/usr/bin/env bash
# Builds snapstamp and shows it at work on a temporary copy of samples/:
# the tags of one photo, then every photo renamed in one mask run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
exe="$root/build/release/app/snapstamp"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/samples/*.jpg "$work"/
cd "$work"
echo "\$ snapstamp /i Canon_40D.jpg"
"$exe" /i Canon_40D.jpg
echo "\$ snapstamp \"*.jpg\""
"$exe" "*.jpg"
echo "\$ ls"
ls
