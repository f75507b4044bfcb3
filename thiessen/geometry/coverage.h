#pragma once

#include "thiessen/geometry/convex_clip.h"
#include "thiessen/geometry/geos.h"
#include "thiessen/geometry/tessellation.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace thiessen {

// The area a site has when some other sites are left out, or the area it gains.
struct AreaChange {
    std::size_t site;
    double area;
};

// A tessellation's cells clipped to one basin: each site's share of it. Built
// whole by the constructor; AddGains uses no GEOS, so threads may share a
// coverage for it. The other members use the GEOS context it was made with.
class Coverage {
public:
    // The basin must be a valid (Multi)Polygon inside the tessellation's box.
    // The context and the tessellation must outlive the coverage.
    Coverage(const Geos& geos, const Tessellation& tessellation, const GEOSGeometry& basin);

    const GEOSGeometry& Basin() const { return *basin_; }
    double BasinArea() const { return basinArea_; }

    // The site's cell clipped to the basin (possibly empty), and its area.
    const GEOSGeometry& Cell(std::size_t site) const
    {
        return cells_[site] ? *cells_[site] : *empty_;
    }
    double Area(std::size_t site) const { return areas_[site]; }
    const std::vector<double>& Areas() const { return areas_; }
    // The sites whose cells reach into the basin, ascending.
    const std::vector<std::size_t>& SitesWithArea() const { return sitesWithArea_; }

    // Appends the area each taker gains in this basin from the handovers of
    // one group of missing sites, as the tessellation gives them: one entry
    // per taker whose gain is not zero.
    void AddGains(const std::vector<Tessellation::Handover>& handovers,
                  std::vector<AreaChange>& gains) const;

    // The areas of the diagram of the sites that remain when those listed in
    // missing (sorted, without repeats) are left out, built anew: the slow
    // measure the local rebuild is checked against.
    std::vector<double> AreasWithoutByFullRebuild(const std::vector<std::size_t>& missing) const;

private:
    Ring FromOrigin(Ring ring) const;
    double GainFrom(const Tessellation::Handover& handover) const;

    const Geos& geos_;
    const Tessellation& tessellation_;
    Geometry basin_;
    Site origin_{0, 0}; // the centre of the basin's extent
    double basinArea_ = 0;
    std::vector<Geometry> cells_; // none for a cell far from the basin
    Geometry empty_;
    std::vector<double> areas_;
    std::vector<std::size_t> sitesWithArea_;
    std::vector<char> whole_; // the cell lies wholly inside the basin
    // The cells partly inside it, as plain rings from the origin.
    std::unordered_map<std::size_t, PlainPolygons> parts_;
};

// The areas of a coverage in which the sites listed in missing (sorted,
// without repeats) are left out, as the sites whose area changes and their
// new areas: the missing sites first, with area 0, then the others in
// ascending order. The tessellation is rebuilt only inside the missing
// sites' cells, among their neighbours.
std::vector<AreaChange> AreasWithout(const Tessellation& tessellation, const Coverage& coverage,
                                     const std::vector<std::size_t>& missing);

// The extent of a geometry.
Box ExtentOf(const Geos& geos, const GEOSGeometry& geometry);

// The Voronoi cells of distinct sites inside a box that holds them all, as
// polygons in the order of the sites.
std::vector<Geometry> VoronoiCells(const Geos& geos, const std::vector<Site>& sites,
                                   const GEOSGeometry& box);

// The part of the catchment inside a cell; quick where the cell lies wholly
// inside or outside.
Geometry ClipToCatchment(const Geos& geos, const GEOSGeometry& cell, const GEOSGeometry& catchment,
                         const GEOSPreparedGeometry& preparedCatchment);

} // namespace thiessen
