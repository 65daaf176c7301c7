#!/usr/bin/env python3
"""Turns hyperfine JSON results into markdown table rows: median, min, max
of each command and its ratio to a reference command (by name).

Usage: timing.py RESULTS.json REFERENCE_NAME [FLOOR_NAME]
"""
import json
import statistics
import sys


def main():
    results = json.load(open(sys.argv[1]))["results"]
    reference = sys.argv[2]
    floor = sys.argv[3] if len(sys.argv) > 3 else None
    medians = {r["command"]: statistics.median(r["times"]) for r in results}
    for r in results:
        name, times = r["command"], r["times"]
        m = medians[name]
        cells = [name, f"{m:.2f} s", f"{min(times):.2f}-{max(times):.2f} s", str(len(times)),
                 f"{m / medians[reference]:.2f}x"]
        if floor:
            cells.append(f"{m / medians[floor]:.2f}x")
        print("| " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
