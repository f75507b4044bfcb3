#include "thiessen/catchment.h"

#include "thiessen/boundary.h"
#include "thiessen/data_error.h"

#include <cmath>
#include <sstream>

namespace thiessen {

namespace {

struct Extent {
    double minX, minY, maxX, maxY;
};

Extent ExtentOf(const Geos& geos, const GEOSGeometry& geometry)
{
    Extent e{};
    CheckStatus(geos,
                GEOSGeom_getExtent_r(geos.Handle(), &geometry, &e.minX, &e.minY, &e.maxX, &e.maxY),
                "measuring an extent");
    return e;
}

// A boundary for geographic gauges must be in degrees too.
void CheckDegrees(const Extent& e, const std::string& boundaryName)
{
    if (e.minX < -180 || e.maxX > 180 || e.minY < -90 || e.maxY > 90) {
        std::ostringstream problem;
        problem << "the gauges are given in longitude and latitude, so the boundary must be too, "
                   "but its coordinates reach from ("
                << e.minX << ", " << e.minY << ") to (" << e.maxX << ", " << e.maxY << ")";
        throw DataError(boundaryName, problem.str());
    }
}

// A point on the map, kept to the micrometre. Mathematical libraries differ
// in the last bit of a sine or a cosine from one system to another; on a grid
// of micrometres every system builds the very same cells.
EqualAreaProjection::Point OnMap(const EqualAreaProjection& projection, double longitude,
                                 double latitude)
{
    const EqualAreaProjection::Point point = projection.Forward(longitude, latitude);
    return {std::round(point.x * 1e6) / 1e6, std::round(point.y * 1e6) / 1e6};
}

Geometry Project(const Geos& geos, const GEOSGeometry& boundary,
                 const EqualAreaProjection& projection)
{
    auto forward = [](double* x, double* y, void* userdata) {
        const auto point = OnMap(*static_cast<const EqualAreaProjection*>(userdata), *x, *y);
        *x = point.x;
        *y = point.y;
        return 1;
    };
    return geos.Own(GEOSGeom_transformXY_r(geos.Handle(), &boundary, forward,
                                           const_cast<EqualAreaProjection*>(&projection)),
                    "projecting the boundary");
}

} // namespace

Catchment MakeCatchment(const Geos& geos, GaugeTable gauges, Geometry boundary,
                        const std::string& boundaryName)
{
    Catchment catchment;
    catchment.gauges = std::move(gauges);
    std::vector<Site> sites;
    sites.reserve(catchment.gauges.gauges.size());
    if (catchment.gauges.geographic) {
        const Extent e = ExtentOf(geos, *boundary);
        CheckDegrees(e, boundaryName);
        catchment.projection.emplace((e.minX + e.maxX) / 2, (e.minY + e.maxY) / 2);
        catchment.boundary = Project(geos, *boundary, *catchment.projection);
        for (const Gauge& gauge : catchment.gauges.gauges) {
            const auto point = OnMap(*catchment.projection, gauge.x, gauge.y);
            sites.push_back({point.x, point.y});
        }
    } else {
        catchment.boundary = std::move(boundary);
        for (const Gauge& gauge : catchment.gauges.gauges)
            sites.push_back({gauge.x, gauge.y});
    }
    catchment.diagram = std::make_unique<Diagram>(geos, std::move(sites), *catchment.boundary);
    return catchment;
}

Catchment LoadCatchment(const Geos& geos, const std::string& gaugesPath,
                        const std::string& boundaryPath)
{
    GaugeTable gauges = ReadGauges(gaugesPath);
    Geometry boundary = ReadBoundary(geos, boundaryPath);
    return MakeCatchment(geos, std::move(gauges), std::move(boundary), boundaryPath);
}

} // namespace thiessen
