#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes ReadExifInfo for the given number of
# seconds (default 60) in one process, starting from a fresh copy of the
# committed corpus so that fuzz/corpus/ never changes. Exits non-zero on any
# crash, hang, leak or memory blow-up; the reproducer is left in
# build/fuzz-work/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [seconds]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build/fuzz-work
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp fuzz/corpus/* "$work/corpus/"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
status=0
build/fuzz/fuzz/read_exif_info_fuzzer "$work/corpus" \
  -dict=fuzz/exif.dict -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" -print_final_stats=1 || status=$?

if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
  echo "fuzz: finding(s), exit status $status:" >&2
  ls -l "$work/artifacts" >&2
  exit 1
fi
echo "fuzz: no findings in ${seconds}s"
