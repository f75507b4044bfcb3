#pragma once

#include "thiessen/geometry/coverage.h"
#include "thiessen/geometry/geos.h"
#include "thiessen/geometry/plane.h"
#include "thiessen/geometry/tessellation.h"

#include <cstddef>
#include <vector>

namespace thiessen {

// The Thiessen polygons of a set of sites (the rain gauges, on a plane),
// clipped to a catchment: each site's cell is the part of the catchment that
// is nearer to it than to any other site. Sites outside the catchment take
// part like any other and may get an empty cell. The tessellation of the
// sites and its coverage of one catchment.
class Diagram {
public:
    // Sites must be distinct; the catchment a valid (Multi)Polygon.
    Diagram(const Geos& geos, std::vector<Site> sites, const GEOSGeometry& catchment);
    // The coverage refers to the tessellation beside it.
    Diagram(const Diagram&) = delete;
    Diagram& operator=(const Diagram&) = delete;

    std::size_t Size() const { return tessellation_.Size(); }
    const std::vector<Site>& Sites() const { return tessellation_.Sites(); }
    const GEOSGeometry& Catchment() const { return coverage_.Basin(); }
    double CatchmentArea() const { return coverage_.BasinArea(); }

    // The site's cell clipped to the catchment (possibly empty), and its area.
    const GEOSGeometry& Cell(std::size_t site) const { return coverage_.Cell(site); }
    double Area(std::size_t site) const { return coverage_.Area(site); }
    const std::vector<double>& Areas() const { return coverage_.Areas(); }
    // The sites whose cells share an edge with this site's, before clipping.
    const std::vector<std::size_t>& Neighbours(std::size_t site) const
    {
        return tessellation_.Neighbours(site);
    }

    // The areas of the diagram in which the sites listed in missing (sorted,
    // without repeats) are left out, as the sites whose area changes and
    // their new areas: the missing sites first, with area 0, then the others
    // in ascending order. This is the exact diagram of the remaining sites,
    // rebuilt only where it changes: inside the missing sites' cells, among
    // their neighbours.
    std::vector<AreaChange> AreasWithout(const std::vector<std::size_t>& missing) const;

    // The same by building the diagram of the remaining sites anew; slower,
    // and the measure the local rebuild is checked against.
    std::vector<double> AreasWithoutByFullRebuild(const std::vector<std::size_t>& missing) const
    {
        return coverage_.AreasWithoutByFullRebuild(missing);
    }

    const Tessellation& Unclipped() const { return tessellation_; }
    const Coverage& Clipped() const { return coverage_; }

private:
    Tessellation tessellation_;
    Coverage coverage_;
};

} // namespace thiessen
