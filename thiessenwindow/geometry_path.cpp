#include "thiessenwindow/geometry_path.h"

#include <algorithm>
#include <memory>

namespace rainfall {

namespace {

void AddRing(const thiessen::Geos& geos, const GEOSGeometry* ring, QPainterPath& path)
{
    const GEOSCoordSequence* points = GEOSGeom_getCoordSeq_r(geos.Handle(), ring);
    unsigned int size = 0;
    if (!points || !GEOSCoordSeq_getSize_r(geos.Handle(), points, &size) || size == 0)
        return;
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(size));
    for (unsigned int i = 0; i < size; ++i) {
        double x = 0;
        double y = 0;
        GEOSCoordSeq_getXY_r(geos.Handle(), points, i, &x, &y);
        polygon << QPointF(x, y);
    }
    path.addPolygon(polygon);
    path.closeSubpath();
}

void AddGeometry(const thiessen::Geos& geos, const GEOSGeometry* geometry, QPainterPath& path)
{
    const GEOSContextHandle_t handle = geos.Handle();
    switch (GEOSGeomTypeId_r(handle, geometry)) {
    case GEOS_POLYGON:
        AddRing(geos, GEOSGetExteriorRing_r(handle, geometry), path);
        for (int i = 0; i < GEOSGetNumInteriorRings_r(handle, geometry); ++i)
            AddRing(geos, GEOSGetInteriorRingN_r(handle, geometry, i), path);
        break;
    case GEOS_MULTIPOLYGON:
    case GEOS_GEOMETRYCOLLECTION:
        for (int i = 0; i < GEOSGetNumGeometries_r(handle, geometry); ++i)
            AddGeometry(geos, GEOSGetGeometryN_r(handle, geometry, i), path);
        break;
    default: // points and lines of a degenerate clip cover no area
        break;
    }
}

struct PreparedDeleter {
    GEOSContextHandle_t handle;
    void operator()(const GEOSPreparedGeometry* prepared) const
    {
        GEOSPreparedGeom_destroy_r(handle, prepared);
    }
};

} // namespace

QPainterPath PathOf(const thiessen::Geos& geos, const GEOSGeometry& geometry)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    AddGeometry(geos, &geometry, path);
    return path;
}

std::vector<QPainterPath> CellsWithout(const thiessen::Geos& geos,
                                       const thiessen::Catchment& catchment,
                                       const GEOSGeometry& basin, const std::vector<bool>& missing)
{
    const thiessen::Diagram& diagram = *catchment.diagram;
    std::vector<QPainterPath> paths(diagram.Size());
    std::vector<thiessen::Site> sites;
    std::vector<std::size_t> owners;
    for (std::size_t i = 0; i < diagram.Size(); ++i)
        if (!missing[i]) {
            sites.push_back(diagram.Sites()[i]);
            owners.push_back(i);
        }
    if (sites.empty())
        return paths;
    // A box around the catchment and the remaining gauges, wide enough that
    // the cells of the outermost gauges still cover the catchment.
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    GEOSGeom_getExtent_r(geos.Handle(), &basin, &minX, &minY, &maxX, &maxY);
    for (const thiessen::Site& site : sites) {
        minX = std::min(minX, site.x);
        minY = std::min(minY, site.y);
        maxX = std::max(maxX, site.x);
        maxY = std::max(maxY, site.y);
    }
    const double margin = std::max({maxX - minX, maxY - minY, 1.0});
    const thiessen::Geometry box =
        geos.Box(minX - margin, minY - margin, maxX + margin, maxY + margin);
    const std::vector<thiessen::Geometry> cells = thiessen::VoronoiCells(geos, sites, *box);
    const std::unique_ptr<const GEOSPreparedGeometry, PreparedDeleter> prepared(
        GEOSPrepare_r(geos.Handle(), &basin), PreparedDeleter{geos.Handle()});
    for (std::size_t k = 0; k < sites.size(); ++k) {
        const thiessen::Geometry clipped =
            thiessen::ClipToCatchment(geos, *cells[k], basin, *prepared);
        paths[owners[k]] = PathOf(geos, *clipped);
    }
    return paths;
}

} // namespace rainfall
