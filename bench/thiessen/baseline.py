#!/usr/bin/python3
"""The Thiessen method done the ordinary way, with shapely and pandas: what a
hydrologist would write instead of running the thiessen command.

    baseline.py weights GAUGES BOUNDARY.wkt OUT.csv
    baseline.py series GAUGES BOUNDARY.wkt SERIES OUT.csv
    baseline.py read SERIES
    baseline.py subbasins GAUGES BASINS FIELD OUT.csv

weights and series write the same CSV as the thiessen command (id,area,weight
and time,rainfall,gauges, numbers in shortest round-trip form). subbasins is
the GIS chain with geopandas for the weights of every sub-basin in BASINS (a
layer whose FIELD names them) and writes basin,id,area,weight. Each prints
one line, "seconds=S cpu=C" and other figures: the wall-clock and processor
time from reading the first file to the last result, without starting Python
and importing the modules.
"""
import sys
import time
import warnings

import numpy as np
import pandas as pd
import shapely.wkt
from shapely.errors import ShapelyDeprecationWarning
from shapely.geometry import MultiPoint, Point
from shapely.ops import voronoi_diagram
from shapely.strtree import STRtree

# shapely 1.8 warns that STRtree changes in 2.0.
warnings.filterwarnings("ignore", category=ShapelyDeprecationWarning)


def read_gauges(path):
    gauges = pd.read_csv(path, dtype={"id": str})
    points = [Point(x, y) for x, y in zip(gauges["x"], gauges["y"])]
    return list(gauges["id"]), points


def read_boundary(path):
    with open(path) as wkt:
        return shapely.wkt.loads(wkt.read())


def thiessen_areas(points, catchment):
    """The area of each gauge's Voronoi cell inside the catchment: the diagram,
    each cell matched to its gauge through an STRtree of the gauges (the cells
    come in no particular order), clipped to the catchment."""
    cells = voronoi_diagram(MultiPoint(points), envelope=catchment)
    tree = STRtree(points)
    areas = np.zeros(len(points))
    for cell in cells.geoms:
        (owner,) = [i for i in tree.query_items(cell) if cell.contains(points[i])]
        areas[owner] = cell.intersection(catchment).area
    return areas


def write_csv(path, header, rows):
    with open(path, "w") as out:
        out.write(header + "\n")
        for row in rows:
            out.write(",".join(row) + "\n")


def number(value):
    return repr(float(value))


def weights(gauges_path, boundary_path, out_path):
    start, cpu = time.perf_counter(), time.process_time()
    ids, points = read_gauges(gauges_path)
    catchment = read_boundary(boundary_path)
    areas = thiessen_areas(points, catchment)
    gauge_weights = areas / catchment.area
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    write_csv(out_path, "id,area,weight",
              ([gauge, number(a), number(w)] for gauge, a, w in zip(ids, areas, gauge_weights)))
    print(f"seconds={seconds:.3f} cpu={cpu:.3f} gauges={len(ids)}")


def series(gauges_path, boundary_path, series_path, out_path):
    start, cpu = time.perf_counter(), time.process_time()
    ids, points = read_gauges(gauges_path)
    catchment = read_boundary(boundary_path)
    table = pd.read_csv(series_path)
    times = table.iloc[:, 0].astype(str)
    values = table[ids].to_numpy(dtype=float)
    missing = np.isnan(values)
    if (values[~missing] < 0).any():
        sys.exit(f"{series_path}: negative rainfall")
    # The weights of the gauges that reported, from their own diagram, built
    # once for each set of missing gauges.
    weights_by_missing = {}
    rows = []
    for step, row in enumerate(values):
        present = np.flatnonzero(~missing[step])
        key = missing[step].tobytes()
        if key not in weights_by_missing and len(present) > 0:
            areas = thiessen_areas([points[i] for i in present], catchment)
            weights_by_missing[key] = areas / catchment.area
        if len(present) == 0:
            rows.append([times[step], "", "0"])
        else:
            rainfall = np.dot(weights_by_missing[key], row[present])
            rows.append([times[step], number(rainfall), str(len(present))])
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    write_csv(out_path, "time,rainfall,gauges", rows)
    print(f"seconds={seconds:.3f} cpu={cpu:.3f} steps={len(values)}"
          f" diagrams={len(weights_by_missing)}")


def subbasins(gauges_path, basins_path, field, out_path):
    """The weights of the gauges in each sub-basin as a GIS analyst gets them:
    the Voronoi diagram of the gauges, each cell joined to the gauge it holds,
    clipped to the union of the sub-basins, intersected with the sub-basins
    (an overlay), the pieces' areas summed by sub-basin and gauge, and
    divided by the sub-basin's area."""
    import geopandas as gpd  # only here: the other commands run without it

    start, cpu = time.perf_counter(), time.process_time()
    table = pd.read_csv(gauges_path, dtype={"id": str})
    gauges = gpd.GeoDataFrame({"id": table["id"]},
                              geometry=gpd.points_from_xy(table["x"], table["y"]))
    basins = gpd.read_file(basins_path)[[field, "geometry"]]
    union = basins.unary_union
    diagram = voronoi_diagram(MultiPoint(list(gauges.geometry)), envelope=union)
    cells = gpd.GeoDataFrame(geometry=list(diagram.geoms), crs=gauges.crs)
    cells = gpd.sjoin(cells, gauges, predicate="contains")[["id", "geometry"]]
    cells = gpd.clip(cells, union)
    pieces = gpd.overlay(cells, basins, how="intersection", keep_geom_type=True)
    pieces["area"] = pieces.area
    areas = pieces.groupby([field, "id"], sort=False)["area"].sum()
    basin_areas = pd.Series(basins.area.values, index=basins[field])
    weights = areas / basin_areas.reindex(areas.index.get_level_values(0)).values
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    write_csv(out_path, "basin,id,area,weight",
              ([basin, gauge, number(area), number(weight)]
               for (basin, gauge), area, weight in zip(areas.index, areas, weights)))
    print(f"seconds={seconds:.3f} cpu={cpu:.3f} gauges={len(gauges)} basins={len(basins)}"
          f" pieces={len(pieces)}")


def read(series_path):
    start, cpu = time.perf_counter(), time.process_time()
    table = pd.read_csv(series_path)
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    print(f"seconds={seconds:.3f} cpu={cpu:.3f} steps={len(table)} columns={len(table.columns)}")


if __name__ == "__main__":
    commands = {"weights": (weights, 3), "series": (series, 4), "read": (read, 1),
                "subbasins": (subbasins, 4)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands \
            or len(sys.argv) != 2 + commands[sys.argv[1]][1]:
        sys.exit(__doc__)
    command, _ = commands[sys.argv[1]]
    command(*sys.argv[2:])
