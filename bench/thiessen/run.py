#!/usr/bin/python3
"""Runs the thiessen command and the ordinary shapely/pandas way on the same
generated files, one after the other in one run, and prints their figures
side by side: time, peak memory, and how far apart their results are.

    run.py [--thiessen PROGRAM] [--read-series PROGRAM] [--data DIR] [--no-large]

The data goes into DIR (by default a cache folder) and is made again only
when the generator changes. Without a thiessen program only the baselines
run. bench_read_series times the command's reading of a series alone,
against pandas.read_csv. Times are those the programs measured themselves
(for the baselines from reading the first file to the last result, without
starting Python and importing the modules), or for the thiessen command the
whole process's.
"""
import argparse
import csv
import hashlib
import os
import platform
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
PYTHON = "/usr/bin/python3"  # Debian's, which has Debian's shapely and pandas


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    versions = subprocess.run(
        [PYTHON, "-c", "import shapely, shapely.geos, pandas, numpy; print("
         "'shapely', shapely.__version__, 'on GEOS', shapely.geos.geos_version_string,"
         "'| pandas', pandas.__version__, '| numpy', numpy.__version__)"],
        capture_output=True, text=True, check=True).stdout.strip()
    return (f"{cpu}, {os.cpu_count()} cores (nproc), {memory:.0f} GiB, "
            f"Linux {platform.release()}\n{versions}")


def load():
    return " ".join(f"{value:.2f}" for value in os.getloadavg())


class Run:
    """One finished process: its wall time, peak resident memory and the
    figures it printed."""

    def __init__(self, command, stdout_path):
        start = time.perf_counter()
        with open(stdout_path, "w") as out:
            process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE, text=True)
            errors = process.stderr.read()
            _, status, usage = os.wait4(process.pid, 0)
            process.returncode = os.waitstatus_to_exitcode(status)
        self.seconds = time.perf_counter() - start
        self.cpu = usage.ru_utime + usage.ru_stime
        self.peak_mib = usage.ru_maxrss / 1024
        if process.returncode != 0:
            sys.exit(f"{' '.join(map(str, command))} failed ({process.returncode}):\n{errors}")
        self.figures = {}
        if stdout_path.suffix == ".log":
            for word in Path(stdout_path).read_text().split():
                key, _, value = word.partition("=")
                self.figures[key] = value

    def own_times(self):
        """The wall-clock and processor time the program measured itself,
        else those of the whole process."""
        return (float(self.figures.get("seconds", self.seconds)),
                float(self.figures.get("cpu", self.cpu)))


def data_folder(requested, large):
    """The generated files, made when the generator has changed since."""
    generator = HERE / "generate.py"
    version = hashlib.sha256(generator.read_bytes()).hexdigest()[:12]
    if requested:
        folder = Path(requested)
    else:
        cache = Path(os.environ.get("XDG_CACHE_HOME", Path.home() / ".cache"))
        folder = cache / "average-rainfall" / "thiessen-bench"
    stamp = folder / ("complete-large" if large else "complete")
    if not stamp.exists() or stamp.read_text() != version:
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.glob("complete*"):
            old.unlink()
        print(f"Generating the data into {folder} ...", flush=True)
        start = time.perf_counter()
        subprocess.run([PYTHON, generator, folder] + (["--large"] if large else []), check=True)
        print(f"  took {time.perf_counter() - start:.0f} s", flush=True)
        stamp.write_text(version)
    return folder


def read_rows(path, key_column):
    with open(path, newline="") as table:
        return {row[key_column]: row for row in csv.DictReader(table)}


def largest_difference(ours, theirs, key_column, value_column):
    """The largest difference of a column between two outputs, or a word
    saying why they cannot be compared."""
    a, b = read_rows(ours, key_column), read_rows(theirs, key_column)
    if list(a) != list(b):
        return "rows differ"
    largest = 0.0
    for key in a:
        x, y = a[key][value_column], b[key][value_column]
        if (x == "") != (y == ""):
            return f"empty in one at {key}"
        if x != "":
            largest = max(largest, abs(float(x) - float(y)))
    if "gauges" in next(iter(a.values()), {}) and any(
            a[k]["gauges"] != b[k]["gauges"] for k in a):
        return "gauge counts differ"
    return f"{largest:.1e}"


def seconds(value):
    return f"{value:.3g} s" if value < 100 else f"{value:.0f} s"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--thiessen", help="the thiessen program")
    parser.add_argument("--read-series", help="the bench_read_series program")
    parser.add_argument("--data", help="where to keep the generated files")
    parser.add_argument("--no-large", action="store_true",
                        help="leave out the 10,000 x 10,000 series (0.26 GB)")
    options = parser.parse_args()
    large = not options.no_large

    print(f"Machine: {machine()}", flush=True)
    print(f"Load average before the runs: {load()}", flush=True)
    data = data_folder(options.data, large)
    results = data / "results"
    results.mkdir(exist_ok=True)
    thiessen = options.thiessen
    if thiessen and not Path(thiessen).is_file():
        print(f"No thiessen program at {thiessen}: only the baselines run.")
        thiessen = None
    elif not thiessen:
        print("No thiessen program given (--thiessen): only the baselines run.")

    read_series = options.read_series
    if read_series and not Path(read_series).is_file():
        print(f"No bench_read_series at {read_series}: reading is not timed alone.")
        read_series = None

    baseline = [PYTHON, HERE / "baseline.py"]
    gauges, boundary = data / "gauges.csv", data / "boundary.wkt"
    small_gauges, small_series = data / "gauges-200.csv", data / "series-200.csv"
    rows = []

    def compare(task, python_command, python_output, thiessen_command, name, key, column):
        print(f"  {task} ...", flush=True)
        python = Run(python_command, results / f"{name}-python.log")
        ours = None
        if thiessen:
            ours = Run(thiessen_command, results / f"{name}-thiessen.csv")
        difference = "" if ours is None else largest_difference(
            results / f"{name}-thiessen.csv", python_output, key, column)
        rows.append((task, python, ours, difference))

    print("Running:", flush=True)
    compare("one diagram, 10,000 gauges: weights",
            baseline + ["weights", gauges, boundary, results / "weights-python.csv"],
            results / "weights-python.csv",
            [thiessen, "weights", gauges, boundary], "weights", "id", "weight")
    compare("series 200 x 2,000, 1% missing: rainfall",
            baseline + ["series", small_gauges, boundary, small_series,
                        results / "series-python.csv"],
            results / "series-python.csv",
            [thiessen, "series", small_gauges, boundary, small_series], "series", "time",
            "rainfall")
    if large:
        for steps in (1000, 10_000):
            series = data / ("series-10000.csv" if steps == 10_000 else "series-10000-1000.csv")
            task = f"series 10,000 x {steps:,}, 0.1% missing"
            print(f"  {task} ...", flush=True)
            python = Run(baseline + ["read", series], results / f"read-{steps}-python.log")
            reading = None
            if read_series:
                reading = Run([read_series, gauges, series], results / f"read-{steps}-thiessen.log")
            rows.append((f"{task}: reading", python, reading, ""))
            if thiessen:
                ours = Run([thiessen, "series", gauges, boundary, series],
                           results / f"large-{steps}-thiessen.csv")
                rows.append((f"{task}: rainfall", None, ours, ""))

    print(f"\nLoad average after the runs: {load()}\n")
    print(f"{'':50} {'':9} {'':>8} {'':>8} {'':>10} {'speed-up':>19}")
    print(f"{'task':50} {'side':9} {'time':>8} {'cpu':>8} {'peak RSS':>10} {'time':>9} {'cpu':>9}"
          f"  max |difference|")
    for task, python, ours, difference in rows:
        if python is None:
            print(f"{task:50} {'baseline':9} none: shapely would rebuild a diagram of 10,000"
                  " gauges at every step")
            task = ""
        else:
            work, cpu = python.own_times()
            print(f"{task:50} {'baseline':9} {seconds(work):>8} {seconds(cpu):>8}"
                  f" {python.peak_mib:>6.0f} MiB")
            task = ""
        if ours is None:
            print(f"{task:50} {'thiessen':9} skipped")
            continue
        line = (f"{task:50} {'thiessen':9} {seconds(ours.own_times()[0]):>8}"
                f" {seconds(ours.own_times()[1]):>8} {ours.peak_mib:>6.0f} MiB")
        if python is not None:
            line += (f" {work / ours.own_times()[0]:>8.1f}x {cpu / ours.own_times()[1]:>8.1f}x"
                     f"  {difference}")
        print(line)
    baselines = [python for _, python, _, _ in rows if python is not None]
    print("\nBaseline times are the script's own, from reading the files to the result;"
          " the\nwhole Python processes took " +
          ", ".join(seconds(python.seconds) for python in baselines) + ".\n"
          "thiessen times are whole processes; reading times are the reading loop's own,\n"
          "after the gauges. cpu is processor time, user and system, which a busy\n"
          "machine disturbs less than the wall-clock time. Peak RSS is of the whole process.")
    print("Baselines' figures: " + "; ".join(
        " ".join(f"{k}={v}" for k, v in python.figures.items()) for python in baselines))
    print(f"Results of both sides: {results}")
    if not thiessen:
        print("The thiessen side was skipped: there is no thiessen program yet.")


if __name__ == "__main__":
    main()
