#include "thiessen/study/on_map.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace thiessen {

namespace {

std::vector<Point> RingPoints(const Geos& geos, const GEOSGeometry& ring)
{
    const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(geos.Handle(), &ring);
    unsigned size = 0;
    CheckStatus(geos, GEOSCoordSeq_getSize_r(geos.Handle(), sequence, &size), "reading a ring");
    std::vector<Point> points(size);
    if (size > 0)
        CheckStatus(geos,
                    GEOSCoordSeq_copyToBuffer_r(geos.Handle(), sequence,
                                                reinterpret_cast<double*>(points.data()), 0, 0),
                    "reading a ring");
    return points;
}

GEOSGeometry* MakeRing(const Geos& geos, const std::vector<Point>& points)
{
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(geos.Handle(), reinterpret_cast<const double*>(points.data()),
                                      static_cast<unsigned>(points.size()), 0, 0);
    if (sequence == nullptr)
        throw GeometryError("making a ring failed");
    return geos.Own(GEOSGeom_createLinearRing_r(geos.Handle(), sequence), "making a ring")
        .release();
}

Geometry MapPolygon(const Geos& geos, const GEOSGeometry& polygon,
                    const std::function<std::vector<Point>(const std::vector<Point>&)>& ring)
{
    GEOSContextHandle_t h = geos.Handle();
    GEOSGeometry* shell =
        MakeRing(geos, ring(RingPoints(geos, *GEOSGetExteriorRing_r(h, &polygon))));
    std::vector<GEOSGeometry*> holes;
    for (int i = 0; i < GEOSGetNumInteriorRings_r(h, &polygon); ++i)
        holes.push_back(
            MakeRing(geos, ring(RingPoints(geos, *GEOSGetInteriorRingN_r(h, &polygon, i)))));
    return geos.Own(
        GEOSGeom_createPolygon_r(h, shell, holes.data(), static_cast<unsigned>(holes.size())),
        "making a polygon");
}

double Distance(Point a, Point b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

Point Middle(Point a, Point b)
{
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// Adds the points strictly between a and b (given with their images) that
// the edge needs, in order.
void SplitEdge(Point a, Point b, Point toA, Point toB, const PointMap& to, const PointMap& metres,
               double tolerance, int depth, std::vector<Point>& out)
{
    constexpr int kDeepest = 16; // at most 65,536 pieces an edge
    const Point middle = Middle(a, b);
    const Point toMiddle = to(middle);
    if (depth >= kDeepest || !(Distance(metres(toMiddle), metres(Middle(toA, toB))) > tolerance))
        return;
    SplitEdge(a, middle, toA, toMiddle, to, metres, tolerance, depth + 1, out);
    out.push_back(toMiddle);
    SplitEdge(middle, b, toMiddle, toB, to, metres, tolerance, depth + 1, out);
}

std::string PlainReason(const std::string& reason)
{
    static const std::map<std::string, std::string> words = {
        {"Self-intersection", "a ring crosses itself"},
        {"Ring Self-intersection", "a ring touches itself"},
        {"Hole lies outside shell", "a hole lies outside its outer ring"},
        {"Interior is disconnected", "holes cut a polygon apart"},
        {"Nested shells", "a polygon lies inside another"},
        {"Nested holes", "a hole lies inside another"},
        {"Duplicate Rings", "a ring is written twice"},
        {"Too few points in geometry component", "a ring has too few corners"},
        {"Invalid Coordinate", "a point is not a number"},
        {"Ring is not closed", "a ring is not closed"},
    };
    const auto found = words.find(reason);
    return found != words.end() ? found->second : "the polygon is not valid";
}

// The polygons of a geometry, without the lines and points that make-valid
// leaves where a polygon collapsed.
Geometry PolygonsOf(const Geos& geos, const GEOSGeometry& geometry)
{
    GEOSContextHandle_t h = geos.Handle();
    const int type = GEOSGeomTypeId_r(h, &geometry);
    if (type == GEOS_POLYGON || type == GEOS_MULTIPOLYGON)
        return geos.Clone(&geometry);
    std::vector<Geometry> polygons;
    for (int i = 0; i < GEOSGetNumGeometries_r(h, &geometry); ++i) {
        const GEOSGeometry* part = GEOSGetGeometryN_r(h, &geometry, i);
        const int partType = GEOSGeomTypeId_r(h, part);
        if (partType == GEOS_POLYGON)
            polygons.push_back(geos.Clone(part));
        else if (partType == GEOS_MULTIPOLYGON)
            for (int j = 0; j < GEOSGetNumGeometries_r(h, part); ++j)
                polygons.push_back(geos.Clone(GEOSGetGeometryN_r(h, part, j)));
    }
    return geos.Collection(GEOS_MULTIPOLYGON, std::move(polygons));
}

} // namespace

Geometry MapRings(const Geos& geos, const GEOSGeometry& geometry,
                  const std::function<std::vector<Point>(const std::vector<Point>&)>& ring)
{
    GEOSContextHandle_t h = geos.Handle();
    switch (GEOSGeomTypeId_r(h, &geometry)) {
    case GEOS_POLYGON:
        return GEOSisEmpty_r(h, &geometry) ? geos.Clone(&geometry)
                                           : MapPolygon(geos, geometry, ring);
    case GEOS_MULTIPOLYGON:
    case GEOS_GEOMETRYCOLLECTION: {
        std::vector<Geometry> parts;
        for (int i = 0; i < GEOSGetNumGeometries_r(h, &geometry); ++i)
            parts.push_back(MapRings(geos, *GEOSGetGeometryN_r(h, &geometry, i), ring));
        return geos.Collection(GEOSGeomTypeId_r(h, &geometry), std::move(parts));
    }
    default:
        return geos.Clone(&geometry);
    }
}

std::vector<Point> DensifiedRing(const std::vector<Point>& ring, const PointMap& to,
                                 const PointMap& metres, double tolerance)
{
    std::vector<Point> out;
    if (ring.empty())
        return out;
    Point previous = to(ring.front());
    out.push_back(previous);
    for (size_t i = 1; i < ring.size(); ++i) {
        const Point next = to(ring[i]);
        SplitEdge(ring[i - 1], ring[i], previous, next, to, metres, tolerance, 0, out);
        out.push_back(next);
        previous = next;
    }
    return out;
}

double CentralLongitude(std::vector<double> longitudes)
{
    if (longitudes.empty())
        return 0;
    for (double& longitude : longitudes)
        longitude = std::fmod(std::fmod(longitude, 360.0) + 360.0, 360.0);
    std::sort(longitudes.begin(), longitudes.end());
    // The widest gap between neighbours, going round, is where the span is
    // not: it starts just after that gap.
    double widest = longitudes.front() + 360 - longitudes.back();
    double start = longitudes.front();
    for (size_t i = 1; i < longitudes.size(); ++i) {
        if (longitudes[i] - longitudes[i - 1] > widest) {
            widest = longitudes[i] - longitudes[i - 1];
            start = longitudes[i];
        }
    }
    const double centre = start + (360 - widest) / 2;
    return std::remainder(centre, 360.0);
}

double Unwrapped(double longitude, double centre)
{
    return centre + std::remainder(longitude - centre, 360.0);
}

Point OnMicrometreGrid(Point point)
{
    return {std::round(point.x * 1e6) / 1e6, std::round(point.y * 1e6) / 1e6};
}

Point OnDegreeGrid(Point point)
{
    return {std::round(point.x * 1e11) / 1e11, std::round(point.y * 1e11) / 1e11};
}

Geometry Valid(const Geos& geos, Geometry geometry, std::optional<Repair>* repair)
{
    GEOSContextHandle_t h = geos.Handle();
    char* reason = nullptr;
    GEOSGeometry* location = nullptr;
    const char valid = GEOSisValidDetail_r(h, geometry.get(), 0, &reason, &location);
    if (valid == 1)
        return geometry;
    if (repair != nullptr) {
        Point place{0, 0};
        if (location != nullptr) {
            GEOSGeomGetX_r(h, location, &place.x);
            GEOSGeomGetY_r(h, location, &place.y);
        }
        *repair = Repair{PlainReason(reason != nullptr ? reason : ""), place};
    }
    GEOSFree_r(h, reason);
    if (location != nullptr)
        GEOSGeom_destroy_r(h, location);
    GEOSMakeValidParams* params = GEOSMakeValidParams_create_r(h);
    GEOSMakeValidParams_setMethod_r(h, params, GEOS_MAKE_VALID_STRUCTURE);
    GEOSMakeValidParams_setKeepCollapsed_r(h, params, 0);
    GEOSGeometry* made = GEOSMakeValidWithParams_r(h, geometry.get(), params);
    GEOSMakeValidParams_destroy_r(h, params);
    return PolygonsOf(geos, *geos.Own(made, "repairing a polygon"));
}

} // namespace thiessen
