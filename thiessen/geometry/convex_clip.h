#pragma once

#include "thiessen/geometry/diagram.h"

#include <vector>

namespace thiessen {

// Plain polygon arithmetic for the small local rebuilds, where GEOS's
// general overlay costs far more than the work itself. A ring is a list of
// corners, not closed; a convex ring runs counter-clockwise.
using Ring = std::vector<Site>;

// The Voronoi cell of sites[i] among the given sites, inside a box (a
// counter-clockwise ring), counter-clockwise itself: the box
// cut by the half-plane nearer to sites[i] than to each other site.
Ring ConvexCell(const std::vector<Site>& sites, std::size_t i, const Ring& box);

// The part of a ring inside a convex ring. For a ring that is not convex
// itself, the result may have edges that run back along themselves, but its
// area is that of the intersection.
Ring ClipToConvex(const Ring& ring, const Ring& convex);

// The area of a ring, whatever its orientation.
double RingArea(const Ring& ring);

} // namespace thiessen
