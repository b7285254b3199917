#!/usr/bin/python3
"""Plots how time and peak memory grow with the work, from bench/growth.tsv.

Usage: plot_growth.py [FIGURES [PLOT]]   (defaults: growth.tsv and growth.png beside this script)

FIGURES has a header line and one tab-separated line per measurement: program, size label,
work units (cells, points: whatever the program's work grows with), wall time in ms, CPU time
in ms (optional) and peak resident memory in MB. Each program gets its own line in each panel,
on logarithmic axes, so that a straight line of slope 1 is linear growth whatever the units; the
middle panel shows the time a work unit, flat where the growth is linear (CPU time dashed).
"""
import csv
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def read_figures(path):
    programs = {}
    with open(path, newline="") as figures:
        for row in csv.DictReader(figures, delimiter="\t"):
            programs.setdefault(row["program"], []).append(
                (float(row["work_units"]), float(row["wall_ms"]), float(row["peak_mb"]),
                 row["size_label"], float(row.get("cpu_ms") or "nan")))
    for points in programs.values():
        points.sort()
    return programs


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "growth.tsv")
    target = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "growth.png")
    programs = read_figures(source)
    figure, (times, per_unit, memory) = plt.subplots(1, 3, figsize=(13, 3.8), dpi=100)
    for program, points in sorted(programs.items()):
        work = [p[0] for p in points]
        for axes, column in ((times, 1), (memory, 2)):
            axes.plot(work, [p[column] for p in points], marker="o", label=program)
            for p in points:
                axes.annotate(p[3], (p[0], p[column]), fontsize=7, xytext=(4, -10),
                              textcoords="offset points")
        line, = per_unit.plot(work, [p[1] * 1e6 / p[0] for p in points], marker="o",
                              label=program)
        per_unit.plot(work, [p[4] * 1e6 / p[0] for p in points], linestyle="--",
                      color=line.get_color())
    for axes, title in ((times, "time (ms)"), (per_unit, "time a work unit (ns)"),
                        (memory, "peak memory (MB)")):
        axes.set_xscale("log")
        axes.set_yscale("log")
        axes.set_xlabel("work units")
        axes.set_title(title)
        axes.grid(True, which="both", linewidth=0.3)
        axes.legend(fontsize=7)
    figure.tight_layout()
    figure.savefig(target)


if __name__ == "__main__":
    main()
