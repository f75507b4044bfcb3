#pragma once

#include "thiessen/study/catchment.h"

#include <QPainterPath>

#include <cstddef>
#include <vector>

namespace rainfall {

// A polygon or multipolygon (with holes) as a path on the catchment's plane.
QPainterPath PathOf(const thiessen::Geos& geos, const GEOSGeometry& geometry);

// The cells of the gauges that reported at a step, the others left out and
// their cells shared among their neighbours: the Voronoi cells of the
// remaining gauges, clipped to a basin of the catchment. The cells of the
// missing gauges are empty paths.
std::vector<QPainterPath> CellsWithout(const thiessen::Geos& geos,
                                       const thiessen::Catchment& catchment,
                                       const GEOSGeometry& basin, const std::vector<bool>& missing);

} // namespace rainfall
