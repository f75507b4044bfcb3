#pragma once

#include "thiessen/geometry/geos.h"

#include <string>
#include <string_view>

namespace thiessen {

// Reads one geometry written as WKT (.wkt files carry no coordinate system).
// Several polygons go in one MULTIPOLYGON or GEOMETRYCOLLECTION; text after
// the first geometry is refused rather than lost. Throws a DataError naming
// the file.
Geometry ParseWkt(const Geos& geos, std::string_view text, const std::string& name);

} // namespace thiessen
