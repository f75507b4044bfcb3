#include "thiessen/geometry/coverage.h"

#include "thiessen/geometry/convex_clip.h"

#include <algorithm>
#include <cmath>

namespace thiessen {

namespace {

Geometry EmptyPolygon(const Geos& geos)
{
    return geos.Own(GEOSGeom_createEmptyPolygon_r(geos.Handle()), "making an empty polygon");
}

// A ring as a polygon; empty where rounding has left it fewer than three
// distinct corners.
Geometry PolygonOf(const Geos& geos, const Ring& ring)
{
    std::vector<double> xy;
    for (const Site& corner : ring)
        if (xy.empty() || corner.x != xy[xy.size() - 2] || corner.y != xy.back()) {
            xy.push_back(corner.x);
            xy.push_back(corner.y);
        }
    if (xy.size() > 2 && xy[0] == xy[xy.size() - 2] && xy[1] == xy.back())
        xy.resize(xy.size() - 2);
    if (xy.size() < 6)
        return EmptyPolygon(geos);
    xy.push_back(xy[0]);
    xy.push_back(xy[1]);
    const GEOSContextHandle_t h = geos.Handle();
    GEOSCoordSequence* points =
        GEOSCoordSeq_copyFromBuffer_r(h, xy.data(), static_cast<unsigned>(xy.size() / 2), 0, 0);
    if (points == nullptr)
        throw GeometryError("making a cell failed: " + geos.TakeLastError());
    Geometry shell = geos.Own(GEOSGeom_createLinearRing_r(h, points), "making a cell");
    Geometry polygon =
        geos.Own(GEOSGeom_createPolygon_r(h, shell.get(), nullptr, 0), "making a cell");
    shell.release(); // the polygon owns it now
    return polygon;
}

Ring RingOf(const Geos& geos, const GEOSGeometry& ring)
{
    const GEOSContextHandle_t h = geos.Handle();
    const GEOSCoordSequence* points = GEOSGeom_getCoordSeq_r(h, &ring);
    unsigned size = 0;
    CheckStatus(geos, GEOSCoordSeq_getSize_r(h, points, &size), "reading a ring");
    std::vector<double> xy(2 * size);
    CheckStatus(geos, GEOSCoordSeq_copyToBuffer_r(h, points, xy.data(), 0, 0), "reading a ring");
    Ring corners;
    for (std::size_t k = 0; k + 2 < xy.size(); k += 2) // the last repeats the first
        corners.push_back({xy[k], xy[k + 1]});
    return corners;
}

// Polygons, or a collection that holds some, as plain rings.
PlainPolygons PlainOf(const Geos& geos, const GEOSGeometry& polygons)
{
    const GEOSContextHandle_t h = geos.Handle();
    PlainPolygons plain;
    auto add = [&](const GEOSGeometry& ring, bool hole) {
        Ring corners = RingOf(geos, ring);
        if (!corners.empty())
            plain.rings.push_back({corners, BoxOf(corners), hole});
    };
    for (int p = 0; p < GEOSGetNumGeometries_r(h, &polygons); ++p) {
        const GEOSGeometry* polygon = GEOSGetGeometryN_r(h, &polygons, p);
        if (GEOSGeomTypeId_r(h, polygon) != GEOS_POLYGON || GEOSisEmpty_r(h, polygon))
            continue;
        add(*GEOSGetExteriorRing_r(h, polygon), false);
        for (int r = 0; r < GEOSGetNumInteriorRings_r(h, polygon); ++r)
            add(*GEOSGetInteriorRingN_r(h, polygon, r), true);
    }
    return plain;
}

struct PreparedDeleter {
    GEOSContextHandle_t context;
    void operator()(const GEOSPreparedGeometry* prepared) const
    {
        GEOSPreparedGeom_destroy_r(context, prepared);
    }
};

using Prepared = std::unique_ptr<const GEOSPreparedGeometry, PreparedDeleter>;

Prepared Prepare(const Geos& geos, const GEOSGeometry& geometry)
{
    const GEOSPreparedGeometry* prepared = GEOSPrepare_r(geos.Handle(), &geometry);
    if (prepared == nullptr)
        throw GeometryError("preparing a geometry failed: " + geos.TakeLastError());
    return Prepared(prepared, PreparedDeleter{geos.Handle()});
}

// A copy of a geometry moved by a vector.
Geometry Moved(const Geos& geos, const GEOSGeometry& geometry, Site by)
{
    auto move = [](double* x, double* y, void* data) {
        const Site* by = static_cast<const Site*>(data);
        *x += by->x;
        *y += by->y;
        return 1;
    };
    return geos.Own(GEOSGeom_transformXY_r(geos.Handle(), &geometry, move, &by),
                    "moving a geometry");
}

enum class Inside { Wholly, Partly, Not };

Inside WhereIs(const Geos& geos, const GEOSGeometry& cell,
               const GEOSPreparedGeometry& preparedCatchment)
{
    const GEOSContextHandle_t h = geos.Handle();
    if (GEOSisEmpty_r(h, &cell) == 1)
        return Inside::Not;
    if (GEOSPreparedContains_r(h, &preparedCatchment, &cell) == 1)
        return Inside::Wholly;
    return GEOSPreparedIntersects_r(h, &preparedCatchment, &cell) == 1 ? Inside::Partly
                                                                       : Inside::Not;
}

// The part of the catchment inside a cell that lies partly inside it. The
// catchment is cut down to the cell's box first, so that the overlay works on
// a small piece of a long boundary; but where the catchment's corners lie on
// that box, GEOS's cut by a rectangle can be wrong. So the area is checked
// against the catchment's own part inside the cell (its plain rings), and
// where they differ the cell is clipped by the whole catchment.
Geometry ClipPartly(const Geos& geos, const GEOSGeometry& cell, const GEOSGeometry& catchment,
                    const PlainPolygons& plainCatchment)
{
    const GEOSContextHandle_t h = geos.Handle();
    const double expected =
        plainCatchment.AreaInside(RingOf(geos, *GEOSGetExteriorRing_r(h, &cell)));
    const Box box = ExtentOf(geos, cell);
    GEOSGeometry* piece = GEOSClipByRect_r(h, &catchment, box.minX, box.minY, box.maxX, box.maxY);
    if (piece != nullptr) {
        const Geometry ownedPiece = geos.Own(piece, "cutting the catchment");
        GEOSGeometry* clipped = GEOSIntersection_r(h, ownedPiece.get(), &cell);
        if (clipped != nullptr) {
            Geometry result = geos.Own(clipped, "clipping a cell");
            if (std::abs(geos.Area(result.get()) - expected) <= 1e-9 * std::abs(expected))
                return result;
        }
    }
    geos.TakeLastError();
    return geos.Intersection(&catchment, &cell);
}

} // namespace

Box ExtentOf(const Geos& geos, const GEOSGeometry& geometry)
{
    Box box{0, 0, 0, 0};
    CheckStatus(
        geos,
        GEOSGeom_getExtent_r(geos.Handle(), &geometry, &box.minX, &box.minY, &box.maxX, &box.maxY),
        "measuring an extent");
    return box;
}

std::vector<Geometry> VoronoiCells(const Geos& geos, const std::vector<Site>& sites,
                                   const GEOSGeometry& box)
{
    const Tessellation tessellation(sites, ExtentOf(geos, box));
    std::vector<Geometry> cells;
    for (std::size_t site = 0; site < sites.size(); ++site)
        cells.push_back(PolygonOf(geos, tessellation.Cell(site)));
    return cells;
}

Geometry ClipToCatchment(const Geos& geos, const GEOSGeometry& cell, const GEOSGeometry& catchment,
                         const GEOSPreparedGeometry& preparedCatchment)
{
    switch (WhereIs(geos, cell, preparedCatchment)) {
    case Inside::Wholly:
        return geos.Clone(&cell);
    case Inside::Partly:
        return ClipPartly(geos, cell, catchment, PlainOf(geos, catchment));
    default:
        return EmptyPolygon(geos);
    }
}

// The clipping is done from the basin's centre: GEOS's overlay snaps by a
// tolerance that grows with the coordinates, which at UTM-sized coordinates
// would close the narrow parts of a small basin.
Coverage::Coverage(const Geos& geos, const Tessellation& tessellation, const GEOSGeometry& basin)
    : geos_(geos), tessellation_(tessellation), basin_(geos.Clone(&basin)),
      whole_(tessellation.Size(), 0)
{
    const Box extent = ExtentOf(geos_, basin);
    empty_ = EmptyPolygon(geos_);
    origin_ = {(extent.minX + extent.maxX) / 2, (extent.minY + extent.maxY) / 2};
    const Geometry local = Moved(geos_, basin, {-origin_.x, -origin_.y});
    basinArea_ = geos_.Area(local.get());
    const Prepared prepared = Prepare(geos_, *local);
    const PlainPolygons plainBasin = PlainOf(geos_, *local);
    cells_.reserve(tessellation.Size());
    areas_.reserve(tessellation.Size());
    for (std::size_t site = 0; site < tessellation.Size(); ++site) {
        // One basin of many meets few cells: the others are passed by their boxes.
        if (!Overlap(BoxOf(tessellation.Cell(site)), extent)) {
            areas_.push_back(0);
            cells_.emplace_back();
            continue;
        }
        Geometry cell = PolygonOf(geos_, FromOrigin(tessellation.Cell(site)));
        const Inside where = WhereIs(geos_, *cell, *prepared);
        if (where == Inside::Partly)
            cell = ClipPartly(geos_, *cell, *local, plainBasin);
        else if (where == Inside::Not)
            cell = EmptyPolygon(geos_);
        areas_.push_back(geos_.Area(cell.get()));
        whole_[site] = where == Inside::Wholly;
        if (areas_.back() > 0)
            sitesWithArea_.push_back(site);
        if (where == Inside::Partly && areas_.back() > 0)
            parts_.emplace(site, PlainOf(geos_, *cell));
        cells_.push_back(where == Inside::Wholly ? PolygonOf(geos_, tessellation.Cell(site))
                                                 : Moved(geos_, *cell, origin_));
    }
}

Ring Coverage::FromOrigin(Ring ring) const
{
    for (Site& corner : ring)
        corner = {corner.x - origin_.x, corner.y - origin_.y};
    return ring;
}

// A piece lies inside the lost cell: where that cell lies wholly in the
// basin, the taker gains the whole piece; elsewhere only the piece's part of
// the clipped cell, whose holes (lakes) belong to no one.
double Coverage::GainFrom(const Tessellation::Handover& handover) const
{
    if (whole_[handover.from])
        return RingArea(handover.piece);
    const auto part = parts_.find(handover.from);
    return part == parts_.end() ? 0 : part->second.AreaInside(FromOrigin(handover.piece));
}

void Coverage::AddGains(const std::vector<Tessellation::Handover>& handovers,
                        std::vector<AreaChange>& gains) const
{
    for (std::size_t k = 0; k < handovers.size();) {
        const std::size_t taker = handovers[k].to;
        double gain = 0;
        for (; k < handovers.size() && handovers[k].to == taker; ++k)
            gain += GainFrom(handovers[k]);
        if (gain != 0)
            gains.push_back({taker, gain});
    }
}

std::vector<double>
Coverage::AreasWithoutByFullRebuild(const std::vector<std::size_t>& missing) const
{
    std::vector<std::size_t> remaining;
    std::vector<Site> remainingSites;
    for (std::size_t site = 0; site < tessellation_.Size(); ++site)
        if (!std::binary_search(missing.begin(), missing.end(), site)) {
            remaining.push_back(site);
            remainingSites.push_back(tessellation_.Sites()[site]);
        }
    std::vector<double> areas(tessellation_.Size(), 0.0);
    const Tessellation rebuilt(std::move(remainingSites), tessellation_.Bounds());
    const Coverage coverage(geos_, rebuilt, *basin_);
    for (std::size_t k = 0; k < remaining.size(); ++k)
        areas[remaining[k]] = coverage.Area(k);
    return areas;
}

std::vector<AreaChange> AreasWithout(const Tessellation& tessellation, const Coverage& coverage,
                                     const std::vector<std::size_t>& missing)
{
    std::vector<AreaChange> gains;
    for (const std::vector<std::size_t>& group : tessellation.GroupsOf(missing))
        coverage.AddGains(tessellation.HandoversWithout(group), gains);
    // A site between two groups gains from both.
    std::sort(gains.begin(), gains.end(), [](auto& a, auto& b) { return a.site < b.site; });
    std::vector<AreaChange> changes;
    for (std::size_t m : missing)
        changes.push_back({m, 0.0});
    for (const AreaChange& gain : gains) {
        if (changes.size() > missing.size() && changes.back().site == gain.site)
            changes.back().area += gain.area;
        else
            changes.push_back({gain.site, coverage.Area(gain.site) + gain.area});
    }
    return changes;
}

} // namespace thiessen
