#pragma once

#include "thiessen/geos.h"

#include <string>
#include <string_view>

namespace thiessen {

// Reads a catchment boundary: GeoJSON (a Polygon or MultiPolygon, or a
// Feature or FeatureCollection of them), WKT, or an ESRI shapefile's polygon
// records (.shp), told apart by the file's extension. The result is a valid
// Polygon or MultiPolygon of positive area; anything else is refused with a
// DataError that says why (for an invalid boundary, GEOS's reason and place).
Geometry ReadBoundary(const Geos& geos, const std::string& path);

// The same for contents already read; name stands for the file in messages.
Geometry ParseGeoJsonBoundary(const Geos& geos, std::string_view text, const std::string& name);
Geometry ParseWktBoundary(const Geos& geos, std::string_view text, const std::string& name);
Geometry ParseShapefileBoundary(const Geos& geos, std::string_view bytes, const std::string& name);

} // namespace thiessen
