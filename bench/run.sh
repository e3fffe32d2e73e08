#!/usr/bin/env bash
# Times snapstamp against independent tools on a corpus built from samples/,
# side by side in one hyperfine run per task, and prints medians as ratios.
#
# usage: bench/run.sh [COUNT]   (default 5000 files; BENCH_EXIFTOOL=1 adds exiftool)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-5000}
runs=${RUNS:-5}
work="$root/bench/work"
exe="$root/build/release/app/snapstamp"

command -v hyperfine >/dev/null || { echo "hyperfine is needed (Debian: hyperfine)"; exit 1; }
cmake --preset release >/dev/null
cmake --build --preset release --target snapstamp >/dev/null

rm -rf "$work"
mkdir -p "$work"
python3 "$root/bench/make_corpus.py" "$root/samples" "$work/corpus" "$count"
reset="rm -rf '$work/run' && cp -r '$work/corpus' '$work/run'"

have() { command -v "$1" >/dev/null; }

# Listing every tag of every file.
list_cmds=(-n snapstamp "cd '$work/corpus' && '$exe' /i '*.jpg' >/dev/null")
have exiv2 && list_cmds+=(-n "exiv2 -pa" "cd '$work/corpus' && exiv2 -pa -- *.jpg >/dev/null 2>&1 || true")
# exiftool takes about a minute per run on 5000 files: only on request.
[ -n "${BENCH_EXIFTOOL:-}" ] && have exiftool && list_cmds+=(-n "exiftool" "cd '$work/corpus' && exiftool -q -a -s -- *.jpg >/dev/null 2>&1 || true")
hyperfine --style basic --runs "$runs" --warmup 1 --export-json "$work/list.json" "${list_cmds[@]}"

# Renaming every file after its date.
ren_cmds=(-n snapstamp "cd '$work/run' && '$exe' '*.jpg' >/dev/null")
have jhead && ren_cmds+=(-n "jhead -n" "cd '$work/run' && jhead -q -n'%Y-%m-%d %H-%M-%S' *.jpg >/dev/null 2>&1 || true")
have exiv2 && ren_cmds+=(-n "exiv2 rename" "cd '$work/run' && exiv2 -q -r '%Y-%m-%d %H-%M-%S' rename -- *.jpg >/dev/null 2>&1 || true")
[ -n "${BENCH_EXIFTOOL:-}" ] && have exiftool && ren_cmds+=(-n "exiftool" "cd '$work/run' && exiftool -q '-FileName<DateTime' -d '%Y-%m-%d %H-%M-%S%%-c.%%e' . >/dev/null 2>&1 || true")
hyperfine --style basic --runs "$runs" --prepare "$reset" --export-json "$work/rename.json" "${ren_cmds[@]}"

python3 "$root/bench/report.py" "$count" "$work/list.json" "$work/rename.json"
