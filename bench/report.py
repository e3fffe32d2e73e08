#!/usr/bin/env python3
"""Prints the hyperfine results of bench/run.sh as Markdown tables of medians
and ratios to snapstamp."""
import json
import os
import sys

TABLES = [
    ("list", "list all tags"),
    ("rename", "rename, every file its own date"),
    ("collide", "rename, 250 files per date"),
    ("startup", "one-file run"),
]


def table(title: str, path: str) -> None:
    results = json.load(open(path))["results"]
    base = next(r for r in results if r["command"] == "snapstamp")["median"]
    print(f"| {title} | median (ms) | x snapstamp | snapstamp x |")
    print("|---|---:|---:|---:|")
    for r in results:
        m = r["median"]
        print(f"| {r['command']} | {m * 1000:.1f} | {m / base:.2f} | {base / m:.2f} |")
    print()


def main() -> None:
    count, work = sys.argv[1], sys.argv[2]
    print(f"{count} files; medians of side-by-side runs\n")
    for name, title in TABLES:
        path = os.path.join(work, name + ".json")
        if os.path.exists(path):
            table(title, path)


if __name__ == "__main__":
    main()
