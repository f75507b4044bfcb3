#!/usr/bin/python3
"""Makes the Thiessen benchmark's data, the same for the same seed.

    generate.py DIR [--large]

writes into DIR:
  boundary.wkt, boundary.geojson  a catchment of 2,000 vertices, a wobbly
                                  star some 100 km across (planar metres)
  gauges.csv                      10,000 gauges inside it: id,x,y
  gauges-200.csv                  200 of them
  series-200.csv                  200 gauges x 2,000 hourly steps, 1% missing
  nc-counties.fgb                 North Carolina's 100 counties (NAME) from
                                  tests/thiessen/data/nc-counties.gpkg, on an
                                  Albers equal-area plane in metres, with no
                                  coordinate system named
  nc-gauges.csv                   2,000 gauges inside the state: id,x,y
  nc-counties-lonlat.gpkg,        the same in longitude and latitude (WGS84)
  nc-gauges-lonlat.csv
  nc-series.csv                   those 2,000 gauges x 10,000 hourly steps:
                                  85% dry ("0.0"), light rain 0.2 to 12.7 mm,
                                  each value missing with a chance of 1%, so
                                  that every step has its own gaps (80 MB)
  nc-series-1000.csv              its first 1,000 steps
and with --large also
  series-10000.csv                10,000 gauges x 10,000 steps, 0.1% missing
                                  (about 0.26 GB)
  series-10000-1000.csv           its first 1,000 steps

Coordinates are whole centimetres and rainfall whole tenths of a millimetre,
written in short decimal form so every reader gets the same doubles (North
Carolina's series with one decimal, as agencies publish it). Missing values
are empty fields. The state's files are made with GDAL's ogr2ogr.
"""
import csv
import io
import json
import subprocess
import sys
from pathlib import Path

import numpy as np
import pyproj
import shapely.vectorized
import shapely.wkt
from shapely.geometry import Polygon
from shapely.ops import unary_union

SEED = 20261207
BOUNDARY_VERTICES = 2000
COUNTIES = Path(__file__).resolve().parents[2] / "tests" / "thiessen" / "data" / "nc-counties.gpkg"
# The conterminous United States' Albers projection (EPSG:5070's parameters)
# from longitudes and latitudes taken on its own ellipsoid: a projection and
# no datum shift, so the same on every machine whatever PROJ's grids.
ALBERS = ("+proj=aea +lat_0=23 +lon_0=-96 +lat_1=29.5 +lat_2=45.5 +ellps=GRS80 +units=m"
          " +no_defs")
LONLAT = "+proj=longlat +ellps=GRS80 +no_defs"
STATE_GAUGES = 2000
STATE_STEPS = 10_000


def catchment(rng):
    # A radius that wobbles with the angle; a polygon whose every vertex is
    # seen from the centre at a greater angle than the last is simple.
    theta = np.arange(BOUNDARY_VERTICES) * (2 * np.pi / BOUNDARY_VERTICES)
    radius = 50_000 * (1 + 0.25 * np.sin(5 * theta) + 0.1 * np.sin(13 * theta + 1)
                       + 0.04 * np.sin(37 * theta + 2)
                       + 0.01 * rng.standard_normal(BOUNDARY_VERTICES))
    x = np.round(radius * np.cos(theta), 2)
    y = np.round(radius * np.sin(theta), 2)
    return list(zip(x.tolist(), y.tolist()))


def gauges_inside(rng, polygon, count):
    minx, miny, maxx, maxy = polygon.bounds
    found = np.empty((0, 2))
    while len(found) < count:
        x = np.round(rng.uniform(minx, maxx, 2 * count), 2)
        y = np.round(rng.uniform(miny, maxy, 2 * count), 2)
        inside = shapely.vectorized.contains(polygon, x, y)
        found = np.unique(np.vstack([found, np.column_stack([x[inside], y[inside]])]), axis=0)
    # np.unique sorted them; shuffle back to a random order, then take count.
    return rng.permutation(found)[:count]


def number(value):
    return repr(float(value)).removesuffix(".0")


def write_boundary(directory, ring):
    closed = ring + ring[:1]
    with open(f"{directory}/boundary.wkt", "w") as wkt:
        wkt.write("POLYGON ((" + ", ".join(f"{number(x)} {number(y)}" for x, y in closed) + "))\n")
    feature = {"type": "Feature", "properties": {"name": "benchmark catchment"},
               "geometry": {"type": "Polygon", "coordinates": [closed]}}
    with open(f"{directory}/boundary.geojson", "w") as geojson:
        json.dump({"type": "FeatureCollection", "features": [feature]}, geojson)
        geojson.write("\n")


def write_gauges(path, ids, points):
    with open(path, "w") as out:
        out.write("id,x,y\n")
        for gauge, (x, y) in zip(ids, points):
            out.write(f"{gauge},{number(x)},{number(y)}\n")


def write_series(path, rng, ids, steps, missing_fraction, first_steps_path=None):
    # Rain falls in about a third of the hours, in whole tenths of a
    # millimetre; the value table turns tenths into text once.
    text = [b"0"] + [f"{t / 10:g}".encode() for t in range(1, 1000)] + [b""]
    missing = len(text) - 1
    header = ("time," + ",".join(ids) + "\n").encode()
    start = np.datetime64("2020-01-01T00:00")
    with open(path, "wb") as out:
        first = open(first_steps_path, "wb") if first_steps_path else None
        out.write(header)
        if first:
            first.write(header)
        for step in range(steps):
            raining = rng.random(len(ids)) < 0.35
            tenths = np.where(raining, np.minimum(rng.exponential(25, len(ids)), 999), 0)
            tenths = tenths.astype(np.int64)
            tenths[rng.random(len(ids)) < missing_fraction] = missing
            time = str(start + np.timedelta64(step, "h")).encode()
            row = time + b"," + b",".join(map(text.__getitem__, tenths.tolist())) + b"\n"
            out.write(row)
            if first and step < 1000:
                first.write(row)
        if first:
            first.close()


def ogr2ogr(*arguments):
    return subprocess.run(["ogr2ogr", *map(str, arguments)], check=True,
                          capture_output=True).stdout


def write_state(directory, rng):
    """North Carolina's counties on a plane with no coordinate system named,
    the same in longitude and latitude, and 2,000 gauges inside the state."""
    counties = Path(directory) / "nc-counties.fgb"
    projected = Path(directory) / "nc-counties-albers.fgb"
    for made in (counties, projected):
        made.unlink(missing_ok=True)
    ogr2ogr("-f", "FlatGeobuf", projected, COUNTIES, "-s_srs", LONLAT, "-t_srs", ALBERS,
            "-nln", "counties", "-select", "NAME")
    ogr2ogr("-f", "FlatGeobuf", counties, projected, "-a_srs", "None")
    projected.unlink()
    lonlat = Path(directory) / "nc-counties-lonlat.gpkg"
    lonlat.unlink(missing_ok=True)
    ogr2ogr("-f", "GPKG", lonlat, counties, "-s_srs", ALBERS, "-t_srs", "EPSG:4326",
            "-nln", "counties")
    table = ogr2ogr("-f", "CSV", "/vsistdout/", counties, "-lco", "GEOMETRY=AS_WKT")
    state = unary_union([shapely.wkt.loads(row["WKT"])
                         for row in csv.DictReader(io.StringIO(table.decode()))])
    points = gauges_inside(rng, state, STATE_GAUGES)
    ids = [f"G{i:04d}" for i in range(1, STATE_GAUGES + 1)]
    write_gauges(f"{directory}/nc-gauges.csv", ids, points)
    to_lonlat = pyproj.Transformer.from_crs(ALBERS, "EPSG:4326", always_xy=True)
    lon, lat = to_lonlat.transform(points[:, 0], points[:, 1])
    with open(f"{directory}/nc-gauges-lonlat.csv", "w") as out:
        out.write("id,lon,lat\n")
        for gauge, x, y in zip(ids, lon, lat):
            out.write(f"{gauge},{x:.8f},{y:.8f}\n")
    write_light_rain(f"{directory}/nc-series.csv", rng, ids, STATE_STEPS,
                     f"{directory}/nc-series-1000.csv")


def write_light_rain(path, rng, ids, steps, first_steps_path):
    """Mostly dry hours with one decimal: 85% of the values "0.0", the rest
    light rain from 0.2 to 12.7, and each value missing with a chance of 1%."""
    text = [f"{t / 10:.1f}".encode() for t in range(128)] + [b""]
    missing = len(text) - 1
    header = ("time," + ",".join(ids) + "\n").encode()
    start = np.datetime64("2020-01-01T00:00")
    with open(path, "wb") as out, open(first_steps_path, "wb") as first:
        out.write(header)
        first.write(header)
        for step in range(steps):
            raining = rng.random(len(ids)) < 0.15
            rain = np.minimum(2 + rng.exponential(15, len(ids)), 127).astype(np.int64)
            tenths = np.where(raining, rain, 0)
            tenths[rng.random(len(ids)) < 0.01] = missing
            time = str(start + np.timedelta64(step, "h")).encode()
            row = time + b"," + b",".join(map(text.__getitem__, tenths.tolist())) + b"\n"
            out.write(row)
            if step < 1000:
                first.write(row)


def main():
    directory = sys.argv[1]
    rng = np.random.default_rng(SEED)
    ring = catchment(rng)
    polygon = Polygon(ring)
    assert polygon.is_valid
    write_boundary(directory, ring)
    points = gauges_inside(rng, polygon, 10_000)
    ids = [f"G{i:05d}" for i in range(1, len(points) + 1)]
    write_gauges(f"{directory}/gauges.csv", ids, points)
    write_gauges(f"{directory}/gauges-200.csv", ids[:200], points[:200])
    write_series(f"{directory}/series-200.csv", rng, ids[:200], 2000, 0.01)
    # Its own generator, so that the files above stay as they were.
    write_state(directory, np.random.default_rng(SEED + 1))
    if "--large" in sys.argv[2:]:
        write_series(f"{directory}/series-10000.csv", rng, ids, 10_000, 0.001,
                     f"{directory}/series-10000-1000.csv")


if __name__ == "__main__":
    main()
