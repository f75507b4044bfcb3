#include "thiessen/diagram.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

bool IsEmpty(const Geos& geos, const GEOSGeometry& geometry)
{
    return GEOSisEmpty_r(geos.Handle(), &geometry) == 1;
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

struct TreeDeleter {
    GEOSContextHandle_t context;
    void operator()(GEOSSTRtree* tree) const { GEOSSTRtree_destroy_r(context, tree); }
};

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
    Geometry points = MultiPoint(geos, sites);
    Geometry diagram =
        geos.Own(GEOSVoronoiDiagram_r(h, points.get(), &box, 0.0, 0), "building the diagram");

    // GEOS gives the cells in an order of its own. A cell's centroid lies in
    // the cell, so the site nearest to it is the cell's own; containment then
    // confirms the match.
    std::unique_ptr<GEOSSTRtree, TreeDeleter> tree(GEOSSTRtree_create_r(h, 10), TreeDeleter{h});
    std::unordered_map<const GEOSGeometry*, std::size_t> siteOfPoint;
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const GEOSGeometry* point = GEOSGetGeometryN_r(h, points.get(), static_cast<int>(i));
        GEOSSTRtree_insert_r(h, tree.get(), point, const_cast<GEOSGeometry*>(point));
        siteOfPoint[point] = i;
    }
    const int count = GEOSGetNumGeometries_r(h, diagram.get());
    for (int j = 0; j < count; ++j) {
        const GEOSGeometry* cell = GEOSGetGeometryN_r(h, diagram.get(), j);
        Geometry centroid = geos.Own(GEOSGetCentroid_r(h, cell), "finding a cell's centroid");
        const GEOSGeometry* nearest = GEOSSTRtree_nearest_r(h, tree.get(), centroid.get());
        if (nearest == nullptr)
            throw GeometryError("a cell has no site: " + geos.TakeLastError());
        const std::size_t site = siteOfPoint.at(nearest);
        if (cells[site] || GEOSContains_r(h, cell, nearest) != 1)
            throw GeometryError("a cell of the diagram does not hold exactly one site");
        cells[site] = geos.Clone(cell);
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
    std::vector<Geometry> unclipped = VoronoiCells(geos_, sites_, *extent_);
    Prepared prepared = Prepare(geos_, *catchment_);
    cells_.reserve(sites_.size());
    areas_.reserve(sites_.size());
    for (const Geometry& cell : unclipped) {
        cells_.push_back(ClipToCatchment(geos_, *cell, *catchment_, *prepared));
        areas_.push_back(geos_.Area(cells_.back().get()));
    }
    FindNeighbours();
}

// Two sites are neighbours where their cells share an edge: the edges of the
// Delaunay triangulation.
void Diagram::FindNeighbours()
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
        for (std::size_t n : neighbours_[m])
            if (!isMissing[n] && !isAffected[n]) {
                isAffected[n] = 1;
                affected.push_back(n);
            }
    std::sort(affected.begin(), affected.end());
    return affected;
}

std::vector<AreaChange> Diagram::AreasWithout(const std::vector<std::size_t>& missing) const
{
    std::vector<AreaChange> changes;
    for (std::size_t m : missing)
        changes.push_back({m, 0.0});
    const std::vector<std::size_t> affected = AffectedBy(missing);
    std::vector<Site> affectedSites;
    for (std::size_t a : affected)
        affectedSites.push_back(sites_[a]);
    const std::vector<Geometry> newCells = VoronoiCells(geos_, affectedSites, *extent_);

    std::vector<Box> missingBoxes;
    for (std::size_t m : missing)
        missingBoxes.push_back(IsEmpty(geos_, *cells_[m]) ? Box{1, 1, 0, 0}
                                                          : Extent(geos_, *cells_[m]));
    for (std::size_t k = 0; k < affected.size(); ++k) {
        const Box cellBox = Extent(geos_, *newCells[k]);
        double gained = 0;
        for (std::size_t i = 0; i < missing.size(); ++i) {
            if (!cellBox.Overlaps(missingBoxes[i]))
                continue;
            Geometry piece = geos_.Intersection(newCells[k].get(), cells_[missing[i]].get());
            gained += geos_.Area(piece.get());
        }
        if (gained != 0)
            changes.push_back({affected[k], areas_[affected[k]] + gained});
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
