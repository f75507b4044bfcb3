#include "thiessen/study/catchment.h"

#include "thiessen/base/data_error.h"
#include "thiessen/base/text.h"
#include "thiessen/io/csv.h"
#include "thiessen/study/on_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace thiessen {

namespace {

struct Extent {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    void Add(Point p)
    {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    bool FitsDegrees() const { return minX >= -180 && maxX <= 180 && minY >= -90 && maxY <= 90; }
    bool Near(Point p) const
    {
        const double margin = std::hypot(maxX - minX, maxY - minY);
        return p.x >= minX - margin && p.x <= maxX + margin && p.y >= minY - margin &&
               p.y <= maxY + margin;
    }
};

std::string PointText(Point p)
{
    // Appended piece by piece: GCC 12 warns of an overlap that cannot be in
    // the same expression written with operator+.
    std::string text = "(";
    text.append(FixedText(p.x)).append(", ").append(FixedText(p.y)).append(")");
    return text;
}

std::string ReachText(const Extent& e)
{
    return "from " + PointText({e.minX, e.minY}) + " to " + PointText({e.maxX, e.maxY});
}

std::vector<Point> Vertices(const Geos& geos, const GEOSGeometry& geometry)
{
    std::vector<Point> points;
    MapRings(geos, geometry, [&](const std::vector<Point>& ring) {
        points.insert(points.end(), ring.begin(), ring.end());
        return ring;
    });
    return points;
}

Extent ExtentOf(const GaugeTable& gauges)
{
    Extent extent;
    for (const Gauge& gauge : gauges.gauges)
        extent.Add({gauge.x, gauge.y});
    return extent;
}

Extent ExtentOf(const Geos& geos, const BoundaryLayer& boundary)
{
    Extent extent;
    for (const BoundaryFeature& feature : boundary.features)
        for (Point p : Vertices(geos, *feature.geometry))
            extent.Add(p);
    return extent;
}

// Gives each file the other's coordinate system where it names none, and
// refuses what would otherwise be a silent mistake: coordinates that cannot
// be in the system they would take.
void ResolveSystems(const Geos& geos, GaugeTable& gauges, BoundaryLayer& boundary,
                    const std::string& gaugesName, const std::string& boundaryName)
{
    const Extent gaugeExtent = ExtentOf(gauges);
    if (gauges.system.Known() && !boundary.system.Known()) {
        const Extent e = ExtentOf(geos, boundary);
        if (gauges.system.Geographic() && !e.FitsDegrees())
            throw DataError(boundaryName,
                            "the gauges are given in longitude and latitude, so the boundary must "
                            "be too, but its coordinates reach " +
                                ReachText(e) +
                                "; give the boundary in a file that names its coordinate system "
                                "(a GeoPackage, or a shapefile with its .prj)");
        boundary.system = gauges.system;
    } else if (!gauges.system.Known() && boundary.system.Known()) {
        const Extent e = ExtentOf(geos, boundary);
        if (boundary.system.Geographic() && !gaugeExtent.FitsDegrees())
            throw DataError(gaugesName,
                            "the gauges' x and y reach " + ReachText(gaugeExtent) +
                                ", which is not longitude and latitude, but the boundary " +
                                boundaryName + " is in longitude and latitude (" +
                                boundary.system.Name() +
                                "); give the gauges' coordinate system with --crs, such as "
                                "--crs EPSG:32617 for UTM zone 17N");
        const bool allFar =
            std::none_of(gauges.gauges.begin(), gauges.gauges.end(), [&](const Gauge& g) {
                return e.Near({g.x, g.y});
            });
        if (!boundary.system.Geographic() && gaugeExtent.FitsDegrees() && allFar)
            throw DataError(gaugesName,
                            "the gauges' x and y look like longitude and latitude (they reach " +
                                ReachText(gaugeExtent) + "), but the boundary " + boundaryName +
                                " is in " + boundary.system.Name() + ", whose coordinates reach " +
                                ReachText(e) +
                                "; if they are longitude and latitude, name the columns lon,lat; "
                                "otherwise give their coordinate system with --crs");
        gauges.system = boundary.system;
    }
    gauges.geographic = gauges.system.Geographic();
    if (gauges.geographic && !gauges.fromLayer && (gaugeExtent.minY < -90 || gaugeExtent.maxY > 90))
        throw DataError(gaugesName, "the gauges are in longitude and latitude (" +
                                        gauges.system.Name() + "), but their y reach " +
                                        ReachText(gaugeExtent) + ", beyond the poles");
}

std::string Where(const std::string& file, const std::string& label)
{
    return file + (label.empty() ? "" : ": " + label);
}

// Repairs each feature where the file has it, and says where.
void RepairFeatures(const Geos& geos, BoundaryLayer& boundary, const std::string& name,
                    std::vector<std::string>& warnings)
{
    for (BoundaryFeature& feature : boundary.features) {
        std::optional<Repair> repair;
        feature.geometry = Valid(geos, std::move(feature.geometry), &repair);
        if (repair)
            warnings.push_back(Where(name, feature.label) + ": repaired an invalid polygon: " +
                               repair->reason + " at " + PointText(repair->place));
    }
}

// The map of a catchment: Lambert's azimuthal equal-area projection centred
// on the boundary's extent in longitude and latitude, taken round the globe
// where it crosses the antimeridian.
Transformation MapOf(const std::vector<Point>& lonLat, const std::string& name)
{
    std::vector<double> longitudes;
    double south = 90, north = -90;
    for (Point p : lonLat) {
        if (std::isnan(p.x) || std::isnan(p.y))
            throw DataError(name, "some of its points cannot be put into longitude and latitude; "
                                  "is its coordinate system the right one?");
        if (p.y < -90 || p.y > 90)
            throw DataError(name, "its latitudes reach " + FixedText(p.y) +
                                      ", beyond the poles; is it in longitude and latitude?");
        longitudes.push_back(p.x);
        south = std::min(south, p.y);
        north = std::max(north, p.y);
    }
    return Transformation::EqualAreaMap(CentralLongitude(std::move(longitudes)),
                                        (south + north) / 2);
}

// A file's outline drawn on the map with its edges as the file has them:
// straight in its own coordinates, so curves on the map.
Geometry OnMap(const Geos& geos, const GEOSGeometry& outline, const CoordinateSystem& system,
               const Transformation& toWgs84, const Transformation& map, double centre,
               const std::string& name)
{
    const PointMap to = [&](Point p) {
        const Point onMap = OnMicrometreGrid(map.Forward(toWgs84.Forward(p)));
        if (std::isnan(onMap.x) || std::isnan(onMap.y))
            throw DataError(name, "its point " + PointText(p) +
                                      " cannot be put on an equal-area map of the catchment");
        return onMap;
    };
    const PointMap metres = [](Point p) { return p; };
    return MapRings(geos, outline, [&](std::vector<Point> ring) {
        if (system.Geographic())
            for (Point& p : ring)
                p.x = Unwrapped(p.x, centre);
        return DensifiedRing(ring, to, metres, kEdgeTolerance);
    });
}

// Features that overlap, by the first pair found; the place is the middle of
// their overlap on the plane.
std::optional<std::pair<std::pair<size_t, size_t>, Point>>
FindOverlap(const Geos& geos, const std::vector<BoundaryFeature>& features)
{
    GEOSContextHandle_t h = geos.Handle();
    std::vector<Extent> extents;
    for (const BoundaryFeature& feature : features) {
        Extent e;
        GEOSGeom_getExtent_r(h, feature.geometry.get(), &e.minX, &e.minY, &e.maxX, &e.maxY);
        extents.push_back(e);
    }
    for (size_t i = 0; i < features.size(); ++i) {
        for (size_t j = i + 1; j < features.size(); ++j) {
            const Extent &a = extents[i], &b = extents[j];
            if (a.maxX < b.minX || b.maxX < a.minX || a.maxY < b.minY || b.maxY < a.minY)
                continue;
            const Geometry common =
                geos.Intersection(features[i].geometry.get(), features[j].geometry.get());
            const double area = geos.Area(common.get());
            if (area <= 1e-9 * std::min(geos.Area(features[i].geometry.get()),
                                        geos.Area(features[j].geometry.get())))
                continue;
            Point middle{0, 0};
            const Geometry centroid = geos.Own(GEOSGetCentroid_r(h, common.get()), "centring");
            GEOSGeomGetX_r(h, centroid.get(), &middle.x);
            GEOSGeomGetY_r(h, centroid.get(), &middle.y);
            return std::pair{std::pair{i, j}, middle};
        }
    }
    return std::nullopt;
}

Geometry Union(const Geos& geos, std::vector<Geometry> parts)
{
    if (parts.size() == 1)
        return std::move(parts.front());
    const Geometry all = geos.Collection(GEOS_GEOMETRYCOLLECTION, std::move(parts));
    return Valid(geos, geos.Own(GEOSUnaryUnion_r(geos.Handle(), all.get()), "merging"));
}

// The features that share a name made one sub-basin each, in the order of
// their first feature.
std::vector<std::pair<std::string, Geometry>>
SubBasinsOf(const Geos& geos, const std::vector<BoundaryFeature>& features)
{
    std::vector<std::string> names;
    std::vector<std::vector<Geometry>> parts;
    for (const BoundaryFeature& feature : features) {
        const auto k = static_cast<std::size_t>(
            std::find(names.begin(), names.end(), feature.name) - names.begin());
        if (k == names.size()) {
            names.push_back(feature.name);
            parts.emplace_back();
        }
        parts[k].push_back(geos.Clone(feature.geometry.get()));
    }
    std::vector<std::pair<std::string, Geometry>> basins;
    for (std::size_t k = 0; k < names.size(); ++k)
        basins.emplace_back(names[k], Union(geos, std::move(parts[k])));
    return basins;
}

// The features made one catchment; says how many were merged, and where
// they overlap, in the file's coordinates (back gives them).
Geometry Merge(const Geos& geos, std::vector<BoundaryFeature> features, const std::string& name,
               const PointMap& back, std::vector<std::string>& warnings)
{
    if (features.size() == 1)
        return std::move(features.front().geometry);
    const auto overlap = FindOverlap(geos, features);
    std::string note =
        name + ": merged its " + std::to_string(features.size()) + " features into one catchment";
    if (overlap) {
        const auto [pair, place] = *overlap;
        note += "; " + features[pair.first].label + " and " + features[pair.second].label +
                " overlap near " + PointText(back(place)) + ", and what overlaps counts once";
    }
    warnings.push_back(note);
    std::vector<Geometry> parts;
    for (BoundaryFeature& feature : features)
        parts.push_back(std::move(feature.geometry));
    return Union(geos, std::move(parts));
}

std::string DistanceText(double distance, bool metres)
{
    char text[64];
    if (metres)
        std::snprintf(text, sizeof text, "%.0f km", distance / 1000);
    else
        std::snprintf(text, sizeof text, "%.4g in the files' unit", distance);
    return text;
}

// The distance on the ellipsoid from a site of the map to the catchment:
// far from the centre the map's own distances stretch.
double TrueDistance(const Geos& geos, const GEOSGeometry& boundary, Site site,
                    const Transformation& map)
{
    const Geometry point = geos.Point(site.x, site.y);
    GEOSCoordSequence* nearest = GEOSNearestPoints_r(geos.Handle(), &boundary, point.get());
    Point onBoundary{}, atSite{};
    GEOSCoordSeq_getXY_r(geos.Handle(), nearest, 0, &onBoundary.x, &onBoundary.y);
    GEOSCoordSeq_getXY_r(geos.Handle(), nearest, 1, &atSite.x, &atSite.y);
    GEOSCoordSeq_destroy_r(geos.Handle(), nearest);
    return GeodesicDistance(map.Inverse(onBoundary), map.Inverse(atSite));
}

// A warning when most gauges lie far outside the catchment, farther than
// its own size: the files are most likely not in the systems they seem.
void WarnOfFarGauges(const Geos& geos, const Catchment& catchment, const std::vector<Site>& sites,
                     const std::vector<Site>& swapped, const std::string& gaugesName,
                     std::vector<std::string>& warnings)
{
    GEOSContextHandle_t h = geos.Handle();
    Extent e;
    GEOSGeom_getExtent_r(h, catchment.boundary.get(), &e.minX, &e.minY, &e.maxX, &e.maxY);
    const double size = std::hypot(e.maxX - e.minX, e.maxY - e.minY);
    const GEOSPreparedGeometry* prepared = GEOSPrepare_r(h, catchment.boundary.get());
    const auto distance = [&](Site site) {
        const Geometry point = geos.Point(site.x, site.y);
        double d = 0;
        GEOSPreparedDistance_r(h, prepared, point.get(), &d);
        return d;
    };
    size_t far = 0;
    double nearest = std::numeric_limits<double>::infinity();
    Site nearestSite{};
    for (Site site : sites) {
        const double d = distance(site);
        if (d > size) {
            ++far;
            if (d < nearest) {
                nearest = d;
                nearestSite = site;
            }
        }
    }
    if (far * 2 > sites.size()) {
        if (catchment.map)
            nearest = TrueDistance(geos, *catchment.boundary, nearestSite, *catchment.map);
        std::string note = gaugesName + ": " + std::to_string(far) + " of the " +
                           std::to_string(sites.size()) +
                           " gauges lie far outside the catchment, the nearest of them " +
                           DistanceText(nearest, catchment.map.has_value()) + " from it";
        if (!swapped.empty()) {
            const auto inside = std::count_if(swapped.begin(), swapped.end(),
                                              [&](Site site) { return distance(site) == 0; });
            note += inside * 2 > static_cast<long>(sites.size())
                        ? "; with longitude and latitude swapped, " + std::to_string(inside) +
                              " of them would lie inside it: are the two the wrong way round?"
                        : "; swapping longitude and latitude would not put them inside";
        }
        warnings.push_back(note);
    }
    GEOSPreparedGeom_destroy_r(h, prepared);
}

} // namespace

Catchment MakeCatchment(const Geos& geos, GaugeTable gauges, BoundaryLayer boundary,
                        const std::string& gaugesName, const std::string& boundaryName,
                        bool bySubBasin)
{
    if (boundary.features.empty())
        throw DataError(boundaryName, "the boundary is empty; expected at least one polygon");
    ResolveSystems(geos, gauges, boundary, gaugesName, boundaryName);
    Catchment catchment;
    catchment.system = boundary.system;
    RepairFeatures(geos, boundary, boundaryName, catchment.warnings);

    std::vector<Site> sites, swapped;
    PointMap back = [](Point p) { return p; };
    std::optional<Transformation> boundaryToWgs84, gaugesOwnToWgs84;
    if (boundary.system.Known()) {
        boundaryToWgs84 = Transformation::ToWgs84(boundary.system);
        std::vector<Point> lonLat;
        for (const BoundaryFeature& feature : boundary.features)
            for (Point p : Vertices(geos, *feature.geometry))
                lonLat.push_back(boundaryToWgs84->Forward(p));
        catchment.map = MapOf(lonLat, boundaryName);
        const Transformation& map = *catchment.map;
        const double centre = map.Inverse({0, 0}).x;
        for (BoundaryFeature& feature : boundary.features)
            feature.geometry = Valid(geos, OnMap(geos, *feature.geometry, boundary.system,
                                                 *boundaryToWgs84, map, centre, boundaryName));
        // To a centimetre or so: the digits beyond say nothing.
        const double scale = boundary.system.Geographic() ? 1e7 : 1e3;
        back = [&catchment, &boundaryToWgs84, scale](Point p) {
            const Point q = boundaryToWgs84->Inverse(catchment.map->Inverse(p));
            return Point{std::round(q.x * scale) / scale, std::round(q.y * scale) / scale};
        };
        // Looked up once when both files are in the same system.
        if (gauges.system.Definition() != boundary.system.Definition())
            gaugesOwnToWgs84 = Transformation::ToWgs84(gauges.system);
        const Transformation& gaugesToWgs84 =
            gaugesOwnToWgs84 ? *gaugesOwnToWgs84 : *boundaryToWgs84;
        for (const Gauge& gauge : gauges.gauges) {
            const Point p =
                OnMicrometreGrid(map.Forward(gaugesToWgs84.Forward({gauge.x, gauge.y})));
            if (std::isnan(p.x) || std::isnan(p.y))
                throw DataError(gaugesName, "the gauge " + csv::Quote(gauge.id) + " at " +
                                                PointText({gauge.x, gauge.y}) +
                                                " cannot be put on the map; is its coordinate "
                                                "system the right one?");
            sites.push_back({p.x, p.y});
            if (gauges.system.Geographic() && std::abs(gauge.x) <= 90) {
                const Point s = map.Forward(gaugesToWgs84.Forward({gauge.y, gauge.x}));
                swapped.push_back({s.x, s.y});
            }
        }
    } else {
        for (const Gauge& gauge : gauges.gauges)
            sites.push_back({gauge.x, gauge.y});
    }
    std::vector<std::pair<std::string, Geometry>> subBasins;
    if (bySubBasin) {
        subBasins = SubBasinsOf(geos, boundary.features);
        std::vector<Geometry> parts;
        for (BoundaryFeature& feature : boundary.features)
            parts.push_back(std::move(feature.geometry));
        catchment.boundary = Union(geos, std::move(parts));
    } else {
        catchment.boundary =
            Merge(geos, std::move(boundary.features), boundaryName, back, catchment.warnings);
    }
    if (!(geos.Area(catchment.boundary.get()) > 0))
        throw DataError(boundaryName, "the boundary has zero area");
    WarnOfFarGauges(geos, catchment, sites, swapped, gaugesName, catchment.warnings);
    catchment.gauges = std::move(gauges);
    catchment.diagram = std::make_unique<Diagram>(geos, std::move(sites), *catchment.boundary);
    for (auto& [name, outline] : subBasins)
        catchment.subBasins.push_back(
            {name, std::make_unique<Coverage>(geos, catchment.diagram->Unclipped(), *outline)});
    return catchment;
}

std::vector<bool> GaugesInside(const Geos& geos, const Catchment& catchment)
{
    const GEOSContextHandle_t h = geos.Handle();
    const GEOSPreparedGeometry* prepared = GEOSPrepare_r(h, catchment.boundary.get());
    std::vector<bool> inside;
    for (const Site& site : catchment.diagram->Sites()) {
        const Geometry point = geos.Point(site.x, site.y);
        inside.push_back(GEOSPreparedIntersects_r(h, prepared, point.get()) == 1);
    }
    GEOSPreparedGeom_destroy_r(h, prepared);
    return inside;
}

std::vector<const Coverage*> Catchment::Basins() const
{
    if (subBasins.empty())
        return {&diagram->Clipped()};
    std::vector<const Coverage*> basins;
    for (const SubBasin& basin : subBasins)
        basins.push_back(basin.coverage.get());
    return basins;
}

std::vector<std::string> Catchment::BasinNames(const std::string& boundaryPath) const
{
    if (subBasins.empty()) {
        const std::string file = boundaryPath.substr(boundaryPath.find_last_of("/\\") + 1);
        const std::size_t dot = file.rfind('.');
        return {dot == 0 || dot == std::string::npos ? file : file.substr(0, dot)};
    }
    std::vector<std::string> names;
    for (const SubBasin& basin : subBasins)
        names.push_back(basin.name);
    return names;
}

Catchment LoadCatchment(const Geos& geos, const std::string& gaugesPath,
                        const std::string& boundaryPath, const CatchmentOptions& options)
{
    GaugeTable gauges = ReadGauges(gaugesPath, options.gauges);
    if (options.gaugesSystem.Known()) {
        if (gauges.system.Known())
            throw DataError(gaugesPath, "the file gives its coordinate system (" +
                                            gauges.system.Name() +
                                            "); --crs is for gauges whose file gives none");
        gauges.system = options.gaugesSystem;
    }
    BoundaryLayer boundary =
        ReadBoundaryLayer(geos, boundaryPath, options.boundaryLayer, options.basinField);
    return MakeCatchment(geos, std::move(gauges), std::move(boundary), gaugesPath, boundaryPath,
                         !options.basinField.empty());
}

} // namespace thiessen
