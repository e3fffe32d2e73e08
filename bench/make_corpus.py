#!/usr/bin/env python3
"""Builds a benchmark corpus from the sample photos.

usage: make_corpus.py SAMPLES_DIR OUT_DIR COUNT [--share N]

Each copy gets its own DateTime (patched in place, same length), so a rename
run meets no collisions; with --share N, N consecutive copies share a date.
"""
import os
import re
import sys

DATE = re.compile(rb"\d{4}:\d{2}:\d{2} \d{2}:\d{2}:\d{2}\x00")


def unique_date(i: int) -> bytes:
    # Seconds from 2001-01-01 00:00:00, spread over 28-day months of a 12-month year.
    s = i
    sec, s = s % 60, s // 60
    minute, s = s % 60, s // 60
    hour, s = s % 24, s // 24
    day, s = s % 28 + 1, s // 28
    month, s = s % 12 + 1, s // 12
    year = 2001 + s
    return b"%04d:%02d:%02d %02d:%02d:%02d\x00" % (year, month, day, hour, minute, sec)


def main() -> None:
    samples_dir, out_dir, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    share = int(sys.argv[5]) if len(sys.argv) > 5 and sys.argv[4] == "--share" else 1
    samples = sorted(f for f in os.listdir(samples_dir) if f.lower().endswith(".jpg"))
    data = [open(os.path.join(samples_dir, f), "rb").read() for f in samples]
    os.makedirs(out_dir, exist_ok=True)
    for i in range(count):
        src = data[i % len(data)]
        # Every date text of the file (DateTime and the original dates) becomes the copy's date.
        patched = DATE.sub(unique_date(i // share), src)
        with open(os.path.join(out_dir, "IMG_%05d.jpg" % i), "wb") as f:
            f.write(patched)


if __name__ == "__main__":
    main()
