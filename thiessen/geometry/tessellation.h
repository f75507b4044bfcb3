#pragma once

#include "thiessen/geometry/plane.h"

#include <cstddef>
#include <vector>

namespace thiessen {

// The Voronoi cells of a set of sites (the rain gauges) inside a box: each
// site's cell is the part of the box nearer to it than to any other site.
// One tessellation serves every basin the box holds. It is built whole by
// the constructor and only read afterwards, without GEOS, so threads may
// share it.
class Tessellation {
public:
    // Sites must be distinct. The box is made to hold every site, then grown
    // by a margin; it should hold every basin the cells will be clipped to.
    Tessellation(std::vector<Site> sites, Box around);

    std::size_t Size() const { return sites_.size(); }
    const std::vector<Site>& Sites() const { return sites_; }
    // The box the cells fill.
    const Box& Bounds() const { return bounds_; }

    // A site's cell: convex, counter-clockwise, holding its site; empty only
    // where sites far from the box's centre lie nearer each other than
    // rounding there tells apart.
    const Ring& Cell(std::size_t site) const { return cells_[site]; }
    // The sites whose cells share an edge with this site's, ascending. Where
    // four or more sites lie on one circle, sites whose cells meet at a single
    // corner may be listed too.
    const std::vector<std::size_t>& Neighbours(std::size_t site) const { return neighbours_[site]; }

    // The missing sites (sorted, without repeats) in groups connected through
    // neighbours, each group sorted. The cells of one group go to the sites
    // around it alone, so each group is rebuilt on its own.
    std::vector<std::vector<std::size_t>> GroupsOf(const std::vector<std::size_t>& missing) const;

    // What the remaining sites take over of the cells of one group of
    // missing sites: the piece of the cell of the missing site `from` that
    // the site `to` takes, convex and counter-clockwise. Grouped by `to`,
    // ascending. The pieces of a lost cell tile it.
    struct Handover {
        std::size_t to, from;
        Ring piece;
    };
    std::vector<Handover> HandoversWithout(const std::vector<std::size_t>& group) const;

private:
    Ring Placed(Ring ring) const;

    std::vector<Site> sites_;
    Box bounds_;
    // The cells are built around the box's centre, so that their precision
    // is that of the distances between sites wherever the sites lie.
    Site origin_;
    std::vector<Site> local_;      // the sites, from the origin
    std::vector<Ring> localCells_; // the cells, from the origin
    std::vector<Box> localBoxes_;  // their extents
    std::vector<Ring> cells_;
    std::vector<std::vector<std::size_t>> neighbours_;
};

} // namespace thiessen
