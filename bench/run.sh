#!/usr/bin/env bash
# Times snapstamp against a floor program (the least per-photo work) and
# against independent tools on a corpus built from samples/, side by side in
# one hyperfine run per task; prints medians as ratios, system calls per
# file, peak memory and start-up time.
#
# usage: bench/run.sh [COUNT]   (default 5000 files; BENCH_EXIFTOOL=1 adds exiftool)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-5000}
runs=${RUNS:-10}
work="$root/bench/work"
exe="$root/build/release/app/snapstamp"
floor="$work/floor"

command -v hyperfine >/dev/null || { echo "hyperfine is needed (Debian: hyperfine)"; exit 1; }
cmake --preset release >/dev/null
cmake --build --preset release --target snapstamp >/dev/null

rm -rf "$work"
mkdir -p "$work"
cc -O2 -o "$floor" "$root/bench/floor.c"
python3 "$root/bench/make_corpus.py" "$root/samples" "$work/corpus" "$count"
python3 "$root/bench/make_corpus.py" "$root/samples" "$work/shared" "$count" --share 250
reset="rm -rf '$work/run' && cp -r '$work/corpus' '$work/run'"
reset_shared="rm -rf '$work/run' && cp -r '$work/shared' '$work/run'"

have() { command -v "$1" >/dev/null; }
bench() { # json-name hyperfine-args...
  local json=$1
  shift
  hyperfine --style basic --export-json "$work/$json.json" "$@" >"$work/$json.log" 2>&1 ||
    { cat "$work/$json.log"; exit 1; }
}

# Listing every tag of every file.
list=(-n snapstamp "cd '$work/corpus' && '$exe' /i '*.jpg' >/dev/null"
  -n "floor read" "'$floor' read '$work/corpus'")
have exiv2 && list+=(-n "exiv2 -pa" "cd '$work/corpus' && exiv2 -pa -- *.jpg >/dev/null 2>&1 || true")
# exiftool takes about a minute per run on 5000 files: only on request.
[ -n "${BENCH_EXIFTOOL:-}" ] && have exiftool &&
  list+=(-n "exiftool" "cd '$work/corpus' && exiftool -q -a -s -- *.jpg >/dev/null 2>&1 || true")
bench list --runs "$runs" --warmup 1 "${list[@]}"

# Renaming every file after its own date.
ren=(-n snapstamp "cd '$work/run' && '$exe' '*.jpg' >/dev/null"
  -n "floor rename" "'$floor' rename '$work/run'")
have jhead && ren+=(-n "jhead -n" "cd '$work/run' && jhead -q -n'%Y-%m-%d %H-%M-%S' *.jpg >/dev/null 2>&1 || true")
have exiv2 && ren+=(-n "exiv2 rename" "cd '$work/run' && exiv2 -q -r '%Y-%m-%d %H-%M-%S' rename -- *.jpg >/dev/null 2>&1 || true")
[ -n "${BENCH_EXIFTOOL:-}" ] && have exiftool &&
  ren+=(-n "exiftool" "cd '$work/run' && exiftool -q '-FileName<DateTime' -d '%Y-%m-%d %H-%M-%S%%-c.%%e' . >/dev/null 2>&1 || true")
bench rename --runs "$runs" --prepare "$reset" "${ren[@]}"

# Renaming when 250 files share each date: the counter does the work.
bench collide --runs "$runs" --prepare "$reset_shared" \
  -n snapstamp "cd '$work/run' && '$exe' '*.jpg' >/dev/null" \
  -n "floor rename" "'$floor' rename '$work/run'"

# A one-file run against the cheapest process there is.
one="$work/corpus/IMG_00000.jpg"
bench startup -N --warmup 20 --runs 300 -n snapstamp "'$exe' /i '$one'" -n /bin/true "/bin/true"

python3 "$root/bench/report.py" "$count" "$work"

# System calls per file of a listing run.
if have strace; then
  (cd "$work/corpus" && strace -f -c -o "$work/strace.txt" "$exe" /i '*.jpg' >/dev/null)
  # The total line: % time, seconds, usecs/call, calls, [errors,] "total".
  calls=$(awk '$NF == "total" {print $4}' "$work/strace.txt")
  echo "system calls, /i mask run: $calls for $count files = $(python3 -c "print(round($calls / $count, 2))") per file"
fi

# Peak memory of a listing run over 500 and 50,000 files.
if [ -x /usr/bin/time ]; then
  for n in 500 50000; do
    python3 "$root/bench/make_corpus.py" "$root/samples" "$work/mem$n" "$n"
    kb=$(cd "$work/mem$n" && /usr/bin/time -f %M "$exe" /i '*.jpg' 2>&1 >/dev/null)
    echo "peak memory, /i mask run over $n files: $kb KiB"
    rm -rf "$work/mem$n"
  done
fi
