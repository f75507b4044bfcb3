#include "thiessen/geometry/diagram.h"

#include "thiessen/geometry/convex_clip.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <unordered_map>

namespace thiessen {

namespace {

struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool Overlaps(const Box& other) const
    {
        return minX <= other.maxX && other.minX <= maxX && minY <= other.maxY && other.minY <= maxY;
    }
};

Box Extent(const Geos& geos, const GEOSGeometry& geometry)
{
    Box box;
    CheckStatus(
        geos,
        GEOSGeom_getExtent_r(geos.Handle(), &geometry, &box.minX, &box.minY, &box.maxX, &box.maxY),
        "measuring an extent");
    return box;
}

Geometry EmptyPolygon(const Geos& geos)
{
    return geos.Own(GEOSGeom_createEmptyPolygon_r(geos.Handle()), "making an empty polygon");
}

Geometry MultiPoint(const Geos& geos, const std::vector<Site>& sites)
{
    std::vector<Geometry> points;
    points.reserve(sites.size());
    for (const Site& site : sites)
        points.push_back(geos.Point(site.x, site.y));
    return geos.Collection(GEOS_MULTIPOINT, std::move(points));
}

// A box around the catchment and every site, with a wide margin, so that the
// cells of the sites nearest the edge still cover the whole catchment.
Geometry ExtentOf(const Geos& geos, const GEOSGeometry& catchment, const std::vector<Site>& sites)
{
    Box box = Extent(geos, catchment);
    for (const Site& site : sites) {
        box.minX = std::min(box.minX, site.x);
        box.minY = std::min(box.minY, site.y);
        box.maxX = std::max(box.maxX, site.x);
        box.maxY = std::max(box.maxY, site.y);
    }
    const double margin = std::max({box.maxX - box.minX, box.maxY - box.minY, 1.0});
    return geos.Box(box.minX - margin, box.minY - margin, box.maxX + margin, box.maxY + margin);
}

// The coordinates of a ring as x, y pairs.
void ReadRing(const Geos& geos, const GEOSGeometry& ring, std::vector<double>& xy)
{
    const GEOSCoordSequence* points = GEOSGeom_getCoordSeq_r(geos.Handle(), &ring);
    unsigned size = 0;
    CheckStatus(geos, GEOSCoordSeq_getSize_r(geos.Handle(), points, &size), "reading a ring");
    xy.resize(2 * size);
    CheckStatus(geos, GEOSCoordSeq_copyToBuffer_r(geos.Handle(), points, xy.data(), 0, 0),
                "reading a ring");
}

Box BoxOf(const std::vector<double>& xy)
{
    Box box{xy[0], xy[1], xy[0], xy[1]};
    for (std::size_t k = 2; k < xy.size(); k += 2) {
        box.minX = std::min(box.minX, xy[k]);
        box.maxX = std::max(box.maxX, xy[k]);
        box.minY = std::min(box.minY, xy[k + 1]);
        box.maxY = std::max(box.maxY, xy[k + 1]);
    }
    return box;
}

Box BoxOf(const Ring& ring)
{
    Box box{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (const Site& point : ring) {
        box.minX = std::min(box.minX, point.x);
        box.maxX = std::max(box.maxX, point.x);
        box.minY = std::min(box.minY, point.y);
        box.maxY = std::max(box.maxY, point.y);
    }
    return box;
}

// A clipped cell as plain rings: the shells and holes of its polygons.
struct CellRings {
    std::vector<Ring> shells, holes;
    Box box{1, 1, 0, 0}; // overlaps nothing while empty
};

Ring RingOf(const Geos& geos, const GEOSGeometry& ring)
{
    std::vector<double> xy;
    ReadRing(geos, ring, xy);
    Ring points;
    for (std::size_t k = 0; k + 2 < xy.size(); k += 2) // the last repeats the first
        points.push_back({xy[k], xy[k + 1]});
    return points;
}

CellRings RingsOf(const Geos& geos, const GEOSGeometry& cell)
{
    const GEOSContextHandle_t h = geos.Handle();
    CellRings rings;
    for (int p = 0; p < GEOSGetNumGeometries_r(h, &cell); ++p) {
        const GEOSGeometry* polygon = GEOSGetGeometryN_r(h, &cell, p);
        if (GEOSGeomTypeId_r(h, polygon) != GEOS_POLYGON || GEOSisEmpty_r(h, polygon))
            continue;
        rings.shells.push_back(RingOf(geos, *GEOSGetExteriorRing_r(h, polygon)));
        for (int r = 0; r < GEOSGetNumInteriorRings_r(h, polygon); ++r)
            rings.holes.push_back(RingOf(geos, *GEOSGetInteriorRingN_r(h, polygon, r)));
    }
    if (!rings.shells.empty()) {
        rings.box = BoxOf(rings.shells[0]);
        for (const Ring& shell : rings.shells) {
            const Box box = BoxOf(shell);
            rings.box = {std::min(rings.box.minX, box.minX), std::min(rings.box.minY, box.minY),
                         std::max(rings.box.maxX, box.maxX), std::max(rings.box.maxY, box.maxY)};
        }
    }
    return rings;
}

// The area of the part of a cell inside a convex ring.
double AreaInside(const CellRings& cell, const Ring& convex)
{
    double area = 0;
    for (const Ring& shell : cell.shells)
        area += RingArea(ClipToConvex(shell, convex));
    for (const Ring& hole : cell.holes)
        area -= RingArea(ClipToConvex(hole, convex));
    return area;
}

// Whether a point lies inside a convex ring: on the same side of every edge.
bool InsideConvexRing(const std::vector<double>& xy, const Site& site)
{
    bool left = false, right = false;
    for (std::size_t k = 0; k + 3 < xy.size(); k += 2) {
        const double cross =
            (xy[k + 2] - xy[k]) * (site.y - xy[k + 1]) - (xy[k + 3] - xy[k + 1]) * (site.x - xy[k]);
        left = left || cross > 0;
        right = right || cross < 0;
    }
    return !(left && right);
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

struct CoordinateHash {
    std::size_t operator()(const std::pair<double, double>& xy) const
    {
        std::uint64_t x = 0, y = 0;
        std::memcpy(&x, &xy.first, sizeof x);
        std::memcpy(&y, &xy.second, sizeof y);
        return std::hash<std::uint64_t>()(x ^ (y * 0x9E3779B97F4A7C15ULL));
    }
};

} // namespace

std::vector<Geometry> VoronoiCells(const Geos& geos, const std::vector<Site>& sites,
                                   const GEOSGeometry& box)
{
    std::vector<Geometry> cells(sites.size());
    if (sites.size() == 1)
        cells[0] = geos.Clone(&box);
    if (sites.size() <= 1)
        return cells;

    const GEOSContextHandle_t h = geos.Handle();
    Geometry diagram =
        geos.Own(GEOSVoronoiDiagram_r(h, MultiPoint(geos, sites).get(), &box, 0.0, 0),
                 "building the diagram");
    // GEOS gives the cells in an order of its own: each goes to the one site
    // it contains, looked for among the sites within its extent.
    std::vector<std::size_t> byX(sites.size());
    std::iota(byX.begin(), byX.end(), 0);
    std::sort(byX.begin(), byX.end(), [&](auto a, auto b) { return sites[a].x < sites[b].x; });
    auto xOf = [&](std::size_t i) { return sites[i].x; };
    const int count = GEOSGetNumGeometries_r(h, diagram.get());
    std::vector<double> ring;
    for (int j = 0; j < count; ++j) {
        const GEOSGeometry* cell = GEOSGetGeometryN_r(h, diagram.get(), j);
        ReadRing(geos, *GEOSGetExteriorRing_r(h, cell), ring);
        const Box box = BoxOf(ring);
        auto first = std::lower_bound(byX.begin(), byX.end(), box.minX,
                                      [&](std::size_t i, double x) { return xOf(i) < x; });
        auto found = std::find_if(first, byX.end(), [&](std::size_t i) {
            return sites[i].x > box.maxX || (sites[i].y >= box.minY && sites[i].y <= box.maxY &&
                                             InsideConvexRing(ring, sites[i]));
        });
        if (found == byX.end() || sites[*found].x > box.maxX || cells[*found])
            throw GeometryError("a cell of the diagram does not hold exactly one site");
        cells[*found] = geos.Clone(cell);
    }
    for (const Geometry& cell : cells)
        if (!cell)
            throw GeometryError("a site has no cell in the diagram");
    return cells;
}

Geometry ClipToCatchment(const Geos& geos, const GEOSGeometry& cell, const GEOSGeometry& catchment,
                         const GEOSPreparedGeometry& preparedCatchment)
{
    const GEOSContextHandle_t h = geos.Handle();
    if (GEOSPreparedContains_r(h, &preparedCatchment, &cell) == 1)
        return geos.Clone(&cell);
    if (GEOSPreparedIntersects_r(h, &preparedCatchment, &cell) != 1)
        return EmptyPolygon(geos);
    // Near the boundary: cut the catchment down to the cell's box first, so
    // that the overlay works on a small piece of a long boundary.
    const Box box = Extent(geos, cell);
    GEOSGeometry* piece = GEOSClipByRect_r(h, &catchment, box.minX, box.minY, box.maxX, box.maxY);
    if (piece != nullptr) {
        Geometry ownedPiece = geos.Own(piece, "cutting the catchment");
        GEOSGeometry* clipped = GEOSIntersection_r(h, ownedPiece.get(), &cell);
        if (clipped != nullptr)
            return geos.Own(clipped, "clipping a cell");
    }
    geos.TakeLastError();
    return geos.Intersection(&catchment, &cell);
}

Diagram::Diagram(const Geos& geos, std::vector<Site> sites, const GEOSGeometry& catchment)
    : geos_(geos), sites_(std::move(sites)), catchment_(geos.Clone(&catchment)),
      catchmentArea_(geos.Area(&catchment)), extent_(ExtentOf(geos, catchment, sites_))
{
    const Box box = Extent(geos_, *extent_);
    extentRing_ = {
        {box.minX, box.minY}, {box.maxX, box.minY}, {box.maxX, box.maxY}, {box.minX, box.maxY}};
    std::vector<Geometry> unclipped = VoronoiCells(geos_, sites_, *extent_);
    Prepared prepared = Prepare(geos_, *catchment_);
    cells_.reserve(sites_.size());
    areas_.reserve(sites_.size());
    for (const Geometry& cell : unclipped) {
        cells_.push_back(ClipToCatchment(geos_, *cell, *catchment_, *prepared));
        areas_.push_back(geos_.Area(cells_.back().get()));
    }
}

const std::vector<std::size_t>& Diagram::Neighbours(std::size_t site) const
{
    if (neighbours_.empty())
        FindNeighbours();
    return neighbours_[site];
}

// Two sites are neighbours where their cells share an edge: the edges of the
// Delaunay triangulation.
void Diagram::FindNeighbours() const
{
    neighbours_.assign(sites_.size(), {});
    if (sites_.size() < 2)
        return;
    const GEOSContextHandle_t h = geos_.Handle();
    std::unordered_map<std::pair<double, double>, std::size_t, CoordinateHash> siteAt;
    for (std::size_t i = 0; i < sites_.size(); ++i)
        siteAt[{sites_[i].x, sites_[i].y}] = i;
    Geometry points = MultiPoint(geos_, sites_);
    Geometry edges =
        geos_.Own(GEOSDelaunayTriangulation_r(h, points.get(), 0.0, 1), "triangulating the sites");
    const int count = GEOSGetNumGeometries_r(h, edges.get());
    for (int e = 0; e < count; ++e) {
        const GEOSCoordSequence* ends =
            GEOSGeom_getCoordSeq_r(h, GEOSGetGeometryN_r(h, edges.get(), e));
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        CheckStatus(geos_, GEOSCoordSeq_getXY_r(h, ends, 0, &x0, &y0), "reading an edge");
        CheckStatus(geos_, GEOSCoordSeq_getXY_r(h, ends, 1, &x1, &y1), "reading an edge");
        const std::size_t a = siteAt.at({x0, y0});
        const std::size_t b = siteAt.at({x1, y1});
        neighbours_[a].push_back(b);
        neighbours_[b].push_back(a);
    }
}

// The sites that take over the missing sites' cells: their neighbours. (When a
// site is left out, its cell goes to its neighbours; by induction the cells of
// a whole set go to the neighbours of the set.)
std::vector<std::size_t> Diagram::AffectedBy(const std::vector<std::size_t>& missing) const
{
    std::vector<char> isMissing(sites_.size(), 0), isAffected(sites_.size(), 0);
    for (std::size_t m : missing)
        isMissing[m] = 1;
    std::vector<std::size_t> affected;
    for (std::size_t m : missing)
        for (std::size_t n : Neighbours(m))
            if (!isMissing[n] && !isAffected[n]) {
                isAffected[n] = 1;
                affected.push_back(n);
            }
    std::sort(affected.begin(), affected.end());
    return affected;
}

// The missing sites in groups of neighbours. Each group's cells go to the
// sites around that group alone, so each group is rebuilt on its own.
std::vector<std::vector<std::size_t>>
Diagram::GroupsOf(const std::vector<std::size_t>& missing) const
{
    std::vector<int> group(sites_.size(), -1);
    for (std::size_t m : missing)
        group[m] = 0;
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t start : missing) {
        if (group[start] != 0)
            continue;
        groups.emplace_back();
        std::vector<std::size_t>& members = groups.back();
        group[start] = static_cast<int>(groups.size());
        members.push_back(start);
        for (std::size_t k = 0; k < members.size(); ++k)
            for (std::size_t n : Neighbours(members[k]))
                if (group[n] == 0) {
                    group[n] = group[start];
                    members.push_back(n);
                }
        std::sort(members.begin(), members.end());
    }
    return groups;
}

std::vector<AreaChange> Diagram::AreasWithout(const std::vector<std::size_t>& missing) const
{
    std::vector<AreaChange> gains;
    for (const std::vector<std::size_t>& group : GroupsOf(missing)) {
        const std::vector<std::size_t> affected = AffectedBy(group);
        std::vector<Site> affectedSites;
        for (std::size_t a : affected)
            affectedSites.push_back(sites_[a]);
        std::vector<CellRings> groupCells;
        for (std::size_t m : group)
            groupCells.push_back(RingsOf(geos_, *cells_[m]));
        for (std::size_t k = 0; k < affected.size(); ++k) {
            const Ring cell = ConvexCell(affectedSites, k, extentRing_);
            const Box cellBox = BoxOf(cell);
            for (const CellRings& lost : groupCells)
                if (lost.box.Overlaps(cellBox))
                    gains.push_back({affected[k], AreaInside(lost, cell)});
        }
    }
    // A site between two groups gains from both.
    std::sort(gains.begin(), gains.end(), [](auto& a, auto& b) { return a.site < b.site; });
    std::vector<AreaChange> changes;
    for (std::size_t m : missing)
        changes.push_back({m, 0.0});
    for (const AreaChange& gain : gains) {
        if (gain.area == 0)
            continue;
        if (changes.size() > missing.size() && changes.back().site == gain.site)
            changes.back().area += gain.area;
        else
            changes.push_back({gain.site, areas_[gain.site] + gain.area});
    }
    return changes;
}

std::vector<double>
Diagram::AreasWithoutByFullRebuild(const std::vector<std::size_t>& missing) const
{
    std::vector<char> isMissing(sites_.size(), 0);
    for (std::size_t m : missing)
        isMissing[m] = 1;
    std::vector<std::size_t> remaining;
    std::vector<Site> remainingSites;
    for (std::size_t i = 0; i < sites_.size(); ++i)
        if (!isMissing[i]) {
            remaining.push_back(i);
            remainingSites.push_back(sites_[i]);
        }
    const std::vector<Geometry> cells = VoronoiCells(geos_, remainingSites, *extent_);
    Prepared prepared = Prepare(geos_, *catchment_);
    std::vector<double> areas(sites_.size(), 0.0);
    for (std::size_t k = 0; k < remaining.size(); ++k) {
        Geometry clipped = ClipToCatchment(geos_, *cells[k], *catchment_, *prepared);
        areas[remaining[k]] = geos_.Area(clipped.get());
    }
    return areas;
}

} // namespace thiessen
