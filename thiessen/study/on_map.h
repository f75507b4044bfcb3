#pragma once

#include "thiessen/geometry/geos.h"
#include "thiessen/io/coordinate_system.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace thiessen {

using PointMap = std::function<Point(Point)>;

// The polygons of a geometry with every ring rewritten by the function; a
// geometry of another kind is returned as it is.
Geometry MapRings(const Geos& geos, const GEOSGeometry& geometry,
                  const std::function<std::vector<Point>(const std::vector<Point>&)>& ring);

// A ring's edges are straight in its own coordinates. Drawn in another
// system, point by point with to, an edge would become a chord of the true
// edge's curve; this splits each edge until the chord departs from the true
// edge by at most tolerance, measured in metres by metres (from the other
// system to a plane in metres). Returns the ring in the other system.
std::vector<Point> DensifiedRing(const std::vector<Point>& ring, const PointMap& to,
                                 const PointMap& metres, double tolerance);

// How far edges drawn on another system may depart from the true ones.
constexpr double kEdgeTolerance = 0.1; // metres

// The longitude at the middle of the narrowest span of longitudes that holds
// them all, going round the globe: 179.5 for 179 and -180.
double CentralLongitude(std::vector<double> longitudes);

// The longitude written within 180 degrees of the centre.
double Unwrapped(double longitude, double centre);

// A point on the map kept to the micrometre, a longitude or latitude to
// 1e-11 degrees (about a micrometre too): mathematical libraries differ in
// the last bit of a sine from one system to another, and on such a grid
// every system computes the same cells and writes the same files.
Point OnMicrometreGrid(Point point);
Point OnDegreeGrid(Point point);

// A geometry made valid: as it is when it is valid already; otherwise
// repaired by GEOS's make-valid, keeping its polygons, with what was wrong
// in repair (the reason in plain words and where, in its own coordinates).
struct Repair {
    std::string reason;
    Point place;
};
Geometry Valid(const Geos& geos, Geometry geometry, std::optional<Repair>* repair = nullptr);

} // namespace thiessen
