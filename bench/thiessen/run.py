#!/usr/bin/python3
"""Runs the thiessen command, the least work any reader must do, and the
ordinary ways with shapely, pandas and geopandas on the same generated files,
one after the other in one run, and prints their figures side by side: time,
peak memory, and how far apart their results are.

    run.py [--thiessen PROGRAM] [--read-series PROGRAM] [--floor PROGRAM]
           [--data DIR] [--runs N] [--no-shapely] [--large]

The first table is North Carolina: 2,000 gauges, a series of 10,000 hourly
steps, and its 100 counties as sub-basins. It sets the command against the
floor (bench_floor: the file mapped and every field converted, on one
thread), pinned to one core and on two, and against the GIS chain with
geopandas for the weights of every county. Its commands run in turn, N
rounds (default 5), and its figures are the medians of whole processes:
wall-clock time, processor time (user and system, from wait4) and peak
resident memory. Rows that need a --by option print "not available" while
the command has none.

The second table is the earlier comparison with shapely and pandas: one
diagram of 10,000 gauges, and a series of 200 gauges whose every set of
missing gauges gets its own diagram (about two minutes of Python); --no-shapely
leaves it out. --large adds a series of 10,000 gauges x 10,000 steps (0.26 GB,
made once) read by pandas and by the command. There the baselines' times are
those the scripts measured themselves, from reading the first file to the
last result, without starting Python and importing the modules.

The data goes into DIR (by default a cache folder) and is made again only
when the generator changes. Without a thiessen program only the baselines
run.
"""
import argparse
import csv
import hashlib
import os
import platform
import statistics
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
        [PYTHON, "-c", "import shapely, shapely.geos, pandas, numpy, geopandas; print("
         "'shapely', shapely.__version__, 'on GEOS', shapely.geos.geos_version_string,"
         "'| pandas', pandas.__version__, '| numpy', numpy.__version__,"
         "'| geopandas', geopandas.__version__)"],
        capture_output=True, text=True, check=True).stdout.strip()
    return (f"{cpu}, {os.cpu_count()} cores (nproc), {memory:.0f} GiB, "
            f"Linux {platform.release()}\n{versions}")


def load():
    return " ".join(f"{value:.2f}" for value in os.getloadavg())


def own_figures(text):
    """The key=value words a program printed about itself."""
    figures = {}
    for word in text.split():
        key, _, value = word.partition("=")
        figures[key] = value
    return figures


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
            self.figures = own_figures(Path(stdout_path).read_text())

    def own_times(self):
        """The wall-clock and processor time the program measured itself,
        else those of the whole process."""
        return (float(self.figures.get("seconds", self.seconds)),
                float(self.figures.get("cpu", self.cpu)))


class Measured:
    """Runs of one command, each a whole process, one at a time (run), so
    that the runs of several commands can take turns: the medians of
    wall-clock time, processor time (user and system) and peak resident
    memory, and of the times the program printed about itself, if it did. A
    run that fails ends the runs; failure then holds the last line of what
    the program said."""

    def __init__(self, command, stdout_path):
        self.command = [str(word) for word in command]
        self.stdout_path = Path(stdout_path)
        self.failure = None
        self.walls, self.cpus, self.peaks, self.own = [], [], [], []

    def run(self):
        if self.failure:
            return
        start = time.perf_counter()
        with open(self.stdout_path, "w") as out:
            process = subprocess.Popen(self.command, stdout=out, stderr=subprocess.PIPE,
                                       text=True)
            errors = process.stderr.read()
            _, status, usage = os.wait4(process.pid, 0)
        self.walls.append(time.perf_counter() - start)
        if os.waitstatus_to_exitcode(status) != 0:
            lines = errors.strip().splitlines()
            self.failure = lines[-1] if lines else f"exit status {status}"
            return
        self.cpus.append(usage.ru_utime + usage.ru_stime)
        self.peaks.append(usage.ru_maxrss / 1024)
        if self.stdout_path.suffix == ".log":
            self.own.append(own_figures(self.stdout_path.read_text()))

    @property
    def wall(self):
        return statistics.median(self.walls)

    @property
    def cpu(self):
        return statistics.median(self.cpus)

    @property
    def peak_mib(self):
        return statistics.median(self.peaks)

    @property
    def own_wall(self):
        return statistics.median(float(f["seconds"]) for f in self.own) if self.own else None

    @property
    def own_cpu(self):
        return statistics.median(float(f["cpu"]) for f in self.own) if self.own else None


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


def basin_weights(path, field):
    """The weight of each (sub-basin, gauge) in a CSV of weights by sub-basin,
    or None when its columns are not understood. Long form: a column for the
    sub-basin (FIELD, basin, subbasin or catchment, else the first that is not
    the gauge's), one for the gauge (id or gauge) and one for the weight.
    Wide form: a gauge column and one column of weights per sub-basin."""
    with open(path, newline="") as table:
        rows = list(csv.reader(table))
    if not rows:
        return None
    header = [name.strip() for name in rows[0]]
    lower = [name.lower() for name in header]
    gauge = next((lower.index(n) for n in ("id", "gauge", "gauge_id") if n in lower), None)
    if gauge is None:
        return None
    weights = {}
    if "weight" in lower:
        weight = lower.index("weight")
        names = [field.lower(), "basin", "subbasin", "sub_basin", "catchment"]
        basin = next((lower.index(n) for n in names if n in lower), None)
        if basin is None:
            basin = next((i for i, n in enumerate(lower)
                          if i not in (gauge, weight) and not n.startswith("area")), None)
        if basin is None:
            return None
        for row in rows[1:]:
            if row and row[weight] != "":
                weights[(row[basin], row[gauge])] = float(row[weight])
        return weights
    for row in rows[1:]:
        for i, value in enumerate(row):
            if i != gauge and not lower[i].startswith("area") and value != "":
                weights[(header[i], row[gauge])] = float(value)
    return weights


def largest_weight_difference(ours, theirs, field):
    """The largest difference of a weight between two CSVs of weights by
    sub-basin, a pair absent from one counting as 0 there."""
    a, b = basin_weights(ours, field), basin_weights(theirs, field)
    if a is None:
        return f"{ours.name}'s columns not understood"
    if not a:
        return "no weights in its output"
    return f"{max(abs(a.get(k, 0.0) - b.get(k, 0.0)) for k in set(a) | set(b)):.1e}"


def seconds(value):
    return f"{value:.3g} s" if value < 100 else f"{value:.0f} s"


def warm(path):
    """Reads a file once, so that every timed run finds it in the page cache."""
    with open(path, "rb") as data:
        while data.read(1 << 20):
            pass


def supports_sub_basins(thiessen):
    if not thiessen:
        return False
    help_text = subprocess.run([thiessen, "--help"], capture_output=True, text=True).stdout
    return "--by" in help_text


def state_table(options, data, results, thiessen):
    """North Carolina: the command against the floor, sub-basins against one
    catchment, and the weights of the counties against the GIS chain. Every
    command runs once in turn, options.runs times round, so that a change of
    the machine's load falls on all of them alike. Returns the rows: (task,
    Measured or a text, the Measured its ratio is to, note)."""
    gauges, counties = data / "nc-gauges.csv", data / "nc-counties.fgb"
    series, first_steps = data / "nc-series.csv", data / "nc-series-1000.csv"
    lonlat = [data / "nc-gauges-lonlat.csv", data / "nc-counties-lonlat.gpkg"]
    by = supports_sub_basins(thiessen)
    no_by = "not available: the command has no --by"
    pinned = ["taskset", "-c", "0"]
    both = ["taskset", "-c", "0,1"]
    chain_output = results / "weights-by-gis.csv"

    def program(path, arguments, output):
        return Measured([path] + arguments, results / output) if path else None

    commands = {
        "floor": program(options.floor, [series], "floor.log"),
        "reader": program(options.read_series, [gauges, series], "read-series.log"),
        "chain": Measured([PYTHON, HERE / "baseline.py", "subbasins", gauges, counties, "NAME",
                           chain_output], results / "weights-by-gis.log"),
    }
    if thiessen:
        one = [thiessen, "series", gauges, counties]
        commands.update({
            "1 core": Measured(pinned + one + [series], results / "series-1-core.csv"),
            "2 cores": Measured(both + one + [series], results / "series-2-cores.csv"),
            "1,000 steps": Measured(both + one + [first_steps], results / "series-1000.csv"),
            "weights": Measured([thiessen, "weights", gauges, counties],
                                results / "weights-one.csv"),
        })
        if by:
            commands.update({
                "series by": Measured(both + [thiessen, "series", "--by", "NAME", gauges,
                                              counties, series], results / "series-by.csv"),
                "weights by": Measured([thiessen, "weights", "--by", "NAME", gauges, counties],
                                       results / "weights-by.csv"),
                "lonlat by": Measured([thiessen, "weights", "--by", "NAME"] + lonlat,
                                      results / "weights-by-lonlat.csv"),
            })
    print("North Carolina, 2,000 gauges x 10,000 steps, 100 counties:", flush=True)
    warm(series)
    for round in range(options.runs):
        print(f"  round {round + 1} of {options.runs}: {', '.join(commands)}", flush=True)
        for measured in commands.values():
            if measured:
                measured.run()

    floor = commands["floor"]
    rows = [("floor: map, from_chars every field, 1 thread", floor or "no bench_floor", None,
             "")]
    if commands["reader"]:
        rows.append(("thiessen's series reader alone", commands["reader"], floor,
                     "of the floor"))
    if thiessen:
        one_core, two_cores = commands["1 core"], commands["2 cores"]
        short = commands["1,000 steps"]
        rows += [("thiessen series, one catchment, 1 core", one_core, floor, "of the floor"),
                 ("thiessen series, one catchment, 2 cores", two_cores, floor, "of the floor"),
                 ("thiessen series, one catchment, 1,000 steps", short, None, "")]
        if not one_core.failure and not short.failure:
            rows.append(("  peak RSS from 1,000 to 10,000 steps",
                         f"{short.peak_mib:.0f} MiB -> {one_core.peak_mib:.0f} MiB"
                         f" ({one_core.peak_mib / short.peak_mib:.2f}x)", None, ""))
        rows.append(("thiessen series --by NAME, 100 counties, 2 cores",
                     commands.get("series by", no_by), two_cores,
                     "of one catchment (target: at most 2x)"))
    chain = commands["chain"]
    rows.append(("GIS chain (geopandas): weights of 100 counties", chain, None, ""))
    if not thiessen:
        return rows
    rows.append(("thiessen weights, one catchment", commands["weights"], None, ""))
    for task, key in (("thiessen weights --by NAME, 100 counties", "weights by"),
                      ("  the same from lon/lat files (own equal-area map)", "lonlat by")):
        ours = commands.get(key, no_by)
        note = ""
        if by and not ours.failure and not chain.failure:
            difference = largest_weight_difference(ours.stdout_path, chain_output, "NAME")
            note = (f"of the chain; speed-up over its own cpu {chain.own_cpu / ours.cpu:.1f}x"
                    f" (target: 20x); weights differ by {difference}")
        rows.append((task, ours, chain, note))
    return rows


def print_state_table(rows):
    print(f"{'task':52} {'time':>8} {'cpu':>8} {'peak RSS':>9}   ratio: time    cpu")
    for task, measured, against, note in rows:
        if isinstance(measured, str):
            print(f"{task:52} {measured}")
            continue
        if measured.failure:
            print(f"{task:52} failed: {measured.failure}")
            continue
        line = (f"{task:52} {seconds(measured.wall):>8} {seconds(measured.cpu):>8}"
                f" {measured.peak_mib:>5.0f} MiB")
        if against is not None and not against.failure:
            line += (f"  {measured.wall / against.wall:>10.2f}x {measured.cpu / against.cpu:>5.2f}x"
                     f" {note}")
        print(line)
    for task, measured, _, _ in rows:
        if isinstance(measured, Measured) and not measured.failure and measured.own_cpu:
            print(f"{task.strip()}: its own time {seconds(measured.own_wall)},"
                  f" cpu {seconds(measured.own_cpu)}")
    print("(the floor's from opening the file, the reader's after the gauges, the GIS chain's"
          "\nfrom reading the files, without starting Python and importing geopandas)")
    print("Times are medians of whole processes (wait4); cpu is user + system time. The floor's"
          "\npeak RSS counts the mapped file's pages. The files are on an Albers plane with no"
          "\ncoordinate system named, so the command and the GIS chain draw the same diagram;"
          "\nthe lon/lat row puts it on the command's own equal-area map instead.")


def shapely_table(options, data, results, thiessen):
    """The earlier comparison with shapely and pandas; the rows are (task, the
    baseline's Run or None, the command's Run or None, difference)."""
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

    print("Against shapely and pandas:", flush=True)
    if not options.no_shapely:
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
    if options.large:
        for steps in (1000, 10_000):
            series = data / ("series-10000.csv" if steps == 10_000 else "series-10000-1000.csv")
            task = f"series 10,000 x {steps:,}, 0.1% missing"
            print(f"  {task} ...", flush=True)
            python = Run(baseline + ["read", series], results / f"read-{steps}-python.log")
            reading = None
            if options.read_series:
                reading = Run([options.read_series, gauges, series],
                              results / f"read-{steps}-thiessen.log")
            rows.append((f"{task}: reading", python, reading, ""))
            if thiessen:
                ours = Run([thiessen, "series", gauges, boundary, series],
                           results / f"large-{steps}-thiessen.csv")
                rows.append((f"{task}: rainfall", None, ours, ""))
    return rows


def print_shapely_table(rows):
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


def existing(program, what):
    if program and not Path(program).is_file():
        print(f"No {what} at {program}.")
        return None
    return program


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--thiessen", help="the thiessen program")
    parser.add_argument("--read-series", help="the bench_read_series program")
    parser.add_argument("--floor", help="the bench_floor program")
    parser.add_argument("--data", help="where to keep the generated files")
    parser.add_argument("--runs", type=int, default=5,
                        help="runs of each North Carolina task, whose medians are shown")
    parser.add_argument("--no-shapely", action="store_true",
                        help="leave out the shapely comparisons of the second table")
    parser.add_argument("--large", action="store_true",
                        help="add the 10,000 x 10,000 series (0.26 GB) to the second table")
    parser.add_argument("--no-large", action="store_true", help=argparse.SUPPRESS)
    options = parser.parse_args()

    print(f"Machine: {machine()}", flush=True)
    print(f"Load average before the runs: {load()}", flush=True)
    data = data_folder(options.data, options.large)
    results = data / "results"
    results.mkdir(exist_ok=True)
    thiessen = existing(options.thiessen, "thiessen program")
    if not thiessen:
        print("No thiessen program (--thiessen): only the baselines run.")
    options.read_series = existing(options.read_series, "bench_read_series")
    options.floor = existing(options.floor, "bench_floor")

    state = state_table(options, data, results, thiessen)
    shapely = shapely_table(options, data, results, thiessen) \
        if not options.no_shapely or options.large else []
    print(f"\nLoad average after the runs: {load()}\n")
    print_state_table(state)
    if shapely:
        print()
        print_shapely_table(shapely)
    print(f"Results of every side: {results}")


if __name__ == "__main__":
    main()
