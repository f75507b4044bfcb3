#pragma once

#include "thiessen/io/coordinate_system.h"
#include "thiessen/io/csv.h"

#include <string>
#include <string_view>
#include <vector>

namespace thiessen {

// A rain gauge as its file gives it: its id, its position and the line of the
// CSV file (or the number of the feature) it came from, for messages.
struct Gauge {
    std::string id;
    double x = 0; // or the longitude, in degrees
    double y = 0; // or the latitude, in degrees
    long line = 0;
};

// The gauges of one file, in the file's order, in the file's coordinate
// system: WGS84 for CSV with lon and lat, the layer's own for a point layer,
// unknown for CSV with x and y (the command line or the boundary tells it).
struct GaugeTable {
    bool geographic = false;
    CoordinateSystem system;
    bool fromLayer = false; // numbered by feature rather than by line
    std::vector<Gauge> gauges;
};

// Which layer of a gauges file, and which of its fields (or CSV columns)
// holds the ids.
struct GaugeSource {
    std::string layer;
    std::string idField;
};

// Reads a gauges file: CSV with a header naming the columns id, x and y, or
// id, lon and lat, in any order and case, by these names or others (the ids
// as source.idField or GaugeIdNames has them, x and y as easting and
// northing, lon as long or longitude, lat as latitude); or a point layer
// that GDAL reads (GeoPackage, shapefile, GeoJSON...). Refuses, with a
// DataError, what cannot be a gauge table: a missing column, two columns for
// one, a coordinate that is not a finite number, a longitude or latitude out
// of range, a duplicate id, two gauges at the same place.
GaugeTable ReadGauges(const std::string& path, const GaugeSource& source = {});
// The same for CSV already read; name stands for the file in messages.
GaugeTable ParseGauges(std::string_view text, const std::string& name,
                       const std::string& idField = {});

// The names of a column of gauge ids, in a gauges file or a series in long
// form: id first; then station, gauge, code, station_id, gauge_id; name last,
// for beside a code or a station number a name is a label. Two names of one
// tier are refused as ambiguous.
const csv::ColumnNames& GaugeIdNames();

// Whether a CSV file's header is a gauge table's (an id and a pair of
// coordinates, under any of their usual names, whatever other columns it has)
// rather than a series' (a long series' columns for the time and the value
// too). False for what cannot be read.
bool IsGaugesTable(const std::string& path);

} // namespace thiessen
