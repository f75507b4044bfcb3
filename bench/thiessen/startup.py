#!/usr/bin/env python3
"""Processor time of small thiessen runs, start-up included, for two builds
side by side: `thiessen --version`, and a state (North Carolina, its 100
counties merged) with 80 gauges, from GeoJSON and CSV and from GeoPackages.

    startup.py BEFORE AFTER [RUNS]

BEFORE and AFTER are thiessen executables; a build that cannot read a case
shows a dash. The data is made with GDAL's ogr2ogr (Debian's gdal-bin) from
tests/thiessen/data/nc-counties.gpkg into a temporary folder. Each figure is
the median of RUNS runs (default 40) of user plus system time of the whole
process, measured with wait4.
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
COUNTIES = os.path.join(HERE, "..", "..", "tests", "thiessen", "data", "nc-counties.gpkg")


def make_data(folder):
    state = os.path.join(folder, "state.gpkg")
    subprocess.run(["ogr2ogr", "-f", "GPKG", state, COUNTIES, "-t_srs", "EPSG:4326",
                    "-dialect", "SQLite", "-sql", "SELECT ST_Union(geom) AS geom FROM counties",
                    "-nln", "state"], check=True)
    subprocess.run(["ogr2ogr", "-f", "GeoJSON", os.path.join(folder, "state.geojson"), state],
                   check=True)
    rng = random.Random(80)
    rows = ["id,lon,lat"]
    for i in range(80):
        rows.append(f"G{i:02d},{rng.uniform(-84.2, -75.8):.5f},{rng.uniform(34.0, 36.5):.5f}")
    gauges = os.path.join(folder, "gauges.csv")
    with open(gauges, "w") as out:
        out.write("\n".join(rows) + "\n")
    subprocess.run(["ogr2ogr", "-f", "GPKG", os.path.join(folder, "gauges.gpkg"), gauges,
                    "-oo", "X_POSSIBLE_NAMES=lon", "-oo", "Y_POSSIBLE_NAMES=lat",
                    "-a_srs", "EPSG:4326", "-nln", "gauges"], check=True)


def cpu_ms(arguments, cwd):
    """Processor time of one run in milliseconds, or None when it fails."""
    process = subprocess.Popen(arguments, cwd=cwd, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        return None
    return (usage.ru_utime + usage.ru_stime) * 1000


def median_ms(program, arguments, cwd, runs):
    times = [cpu_ms([program] + arguments, cwd) for _ in range(runs)]
    return None if None in times else statistics.median(times)


def main():
    before, after = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    cases = [
        ("thiessen --version", ["--version"]),
        ("state, 80 gauges: GeoJSON and CSV", ["weights", "gauges.csv", "state.geojson"]),
        ("state, 80 gauges: GeoPackages", ["weights", "gauges.gpkg", "state.gpkg"]),
    ]
    with tempfile.TemporaryDirectory() as folder:
        make_data(folder)
        print(f"Processor time (user + system), median of {runs} runs, in ms")
        print(f"| case | before | after |")
        print(f"|---|---|---|")
        for name, arguments in cases:
            figures = [median_ms(program, arguments, folder, runs) for program in (before, after)]
            shown = ["-" if f is None else f"{f:.1f}" for f in figures]
            print(f"| {name} | {shown[0]} | {shown[1]} |")


if __name__ == "__main__":
    main()
