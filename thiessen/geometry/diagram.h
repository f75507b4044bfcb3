#pragma once

#include "thiessen/geometry/geos.h"

#include <cstddef>
#include <vector>

namespace thiessen {

struct Site {
    double x;
    double y;
};

// The area a site has when some other sites are left out.
struct AreaChange {
    std::size_t site;
    double area;
};

// The Thiessen polygons of a set of sites (the rain gauges, on a plane),
// clipped to a catchment: each site's cell is the part of the catchment that
// is nearer to it than to any other site. Sites outside the catchment take
// part like any other and may get an empty cell.
class Diagram {
public:
    // Sites must be distinct; the catchment a valid (Multi)Polygon.
    Diagram(const Geos& geos, std::vector<Site> sites, const GEOSGeometry& catchment);

    std::size_t Size() const { return sites_.size(); }
    const std::vector<Site>& Sites() const { return sites_; }
    const GEOSGeometry& Catchment() const { return *catchment_; }
    double CatchmentArea() const { return catchmentArea_; }

    // The site's cell clipped to the catchment (possibly empty), and its area.
    const GEOSGeometry& Cell(std::size_t site) const { return *cells_[site]; }
    double Area(std::size_t site) const { return areas_[site]; }
    const std::vector<double>& Areas() const { return areas_; }
    // The sites whose cells share an edge with this site's, before clipping.
    const std::vector<std::size_t>& Neighbours(std::size_t site) const;

    // The areas of the diagram in which the sites listed in missing (sorted,
    // without repeats) are left out, as the sites whose area changes and
    // their new areas; the missing sites themselves get area 0. This is the
    // exact diagram of the remaining sites, rebuilt only where it changes:
    // inside the missing sites' cells, among their neighbours.
    std::vector<AreaChange> AreasWithout(const std::vector<std::size_t>& missing) const;

    // The same by building the diagram of the remaining sites anew; slower,
    // and the measure the local rebuild is checked against.
    std::vector<double> AreasWithoutByFullRebuild(const std::vector<std::size_t>& missing) const;

private:
    void FindNeighbours() const;
    std::vector<std::vector<std::size_t>> GroupsOf(const std::vector<std::size_t>& missing) const;
    std::vector<std::size_t> AffectedBy(const std::vector<std::size_t>& missing) const;

    const Geos& geos_;
    std::vector<Site> sites_;
    Geometry catchment_;
    double catchmentArea_ = 0;
    Geometry extent_;              // a box around the catchment and every site
    std::vector<Site> extentRing_; // its corners
    std::vector<Geometry> cells_;
    std::vector<double> areas_;
    // Found when first needed: the weights alone do not need them.
    mutable std::vector<std::vector<std::size_t>> neighbours_;
};

// The Voronoi cells of distinct sites inside a box that holds them all, in the
// order of the sites.
std::vector<Geometry> VoronoiCells(const Geos& geos, const std::vector<Site>& sites,
                                   const GEOSGeometry& box);

// The part of the catchment inside a cell; quick where the cell lies wholly
// inside or outside.
Geometry ClipToCatchment(const Geos& geos, const GEOSGeometry& cell, const GEOSGeometry& catchment,
                         const GEOSPreparedGeometry& preparedCatchment);

} // namespace thiessen
