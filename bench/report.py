#!/usr/bin/env python3
"""Prints hyperfine results as a Markdown table of medians and ratios."""
import json
import sys


def table(title: str, path: str) -> None:
    results = json.load(open(path))["results"]
    base = next(r for r in results if r["command"] == "snapstamp")["median"]
    print(f"| {title} | median (s) | x snapstamp |")
    print("|---|---:|---:|")
    for r in results:
        print(f"| {r['command']} | {r['median']:.3f} | {r['median'] / base:.1f} |")
    print()


def main() -> None:
    count, paths = sys.argv[1], sys.argv[2:]
    print(f"{count} files; medians of side-by-side runs; ratio = tool time / snapstamp time\n")
    titles = ["list all tags", "rename by date"]
    for title, path in zip(titles, paths):
        table(title, path)


if __name__ == "__main__":
    main()
