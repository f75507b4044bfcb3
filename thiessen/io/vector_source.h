#pragma once

#include "thiessen/geometry/geos.h"
#include "thiessen/io/coordinate_system.h"

#include <string>
#include <vector>

namespace thiessen {

// One polygon feature of a boundary file, as a GEOS geometry in the file's
// own coordinates; label names it in messages ("feature 3"), name is the
// sub-basin it belongs to when the layer is read by a field.
struct BoundaryFeature {
    Geometry geometry;
    std::string label;
    std::string name;
};

struct BoundaryLayer {
    CoordinateSystem system; // unknown for WKT and files without one
    std::vector<BoundaryFeature> features;
};

// Reads the polygons of a boundary file: any vector format GDAL opens here
// (GeoPackage, shapefile with its .prj, .dbf and .cpg, a zipped shapefile,
// GeoJSON, FlatGeobuf, KML, GML), or WKT (.wkt). A file with several polygon
// layers needs the layer's name. Features without geometry are skipped;
// other than polygonal ones are refused. The polygons are returned as the
// file has them, valid or not. With nameField, each feature is named by that
// field's value, which it must have. Throws a DataError naming the file.
BoundaryLayer ReadBoundaryLayer(const Geos& geos, const std::string& path,
                                const std::string& layer = {}, const std::string& nameField = {});

// A polygon layer of a boundary file: its name, its fields with those that
// likely name sub-basins first (a "name", then an "id" or "code", then other
// text fields), and how many features it has.
struct PolygonLayerInfo {
    std::string name;
    std::vector<std::string> fields;
    long long features = 0;
};

// The polygon layers of a boundary file, in the file's order; none for WKT,
// which has no layers. Throws a DataError naming the file.
std::vector<PolygonLayerInfo> PolygonLayers(const std::string& path);

// One point of a gauges layer, with its id and the number of its feature.
struct PointFeature {
    std::string id;
    Point place;
    long number;
};

struct PointLayer {
    CoordinateSystem system;
    std::string idField;
    std::vector<PointFeature> points;
};

// Reads the points of a gauges layer (GeoPackage, shapefile, GeoJSON, ...).
// The id is the field idField, or else the one field with a usual name
// (id, station, gauge, code, name...). Throws a DataError naming the file.
PointLayer ReadPointLayer(const std::string& path, const std::string& layer = {},
                          const std::string& idField = {});

// Whether the path names, by its extension, a file GDAL reads (.gpkg, .shp,
// .zip, .geojson, .json, .fgb, .kml, .gml) rather than CSV.
bool IsVectorFile(const std::string& path);

// Whether a file GDAL reads holds gauges: points, and no polygons. False
// for what cannot be read.
bool HoldsPoints(const std::string& path);

// The same bytes read from memory, for the fuzzers: name ends in the
// extension that tells the format.
BoundaryLayer ParseBoundaryLayer(const Geos& geos, const std::string& bytes,
                                 const std::string& name);

} // namespace thiessen
