#pragma once

#include "thiessen/geometry/plane.h"

#include <cstddef>
#include <vector>

namespace thiessen {

// Plain polygon arithmetic for the small local rebuilds, where GEOS's
// general overlay costs far more than the work itself. A convex ring runs
// counter-clockwise.

// The part of a ring behind a line, where (corner - point) . normal <= 0,
// into kept (not the ring itself).
void KeepBehind(const Ring& ring, Site point, Site normal, Ring& kept);

// The convex hull of some points: counter-clockwise, without repeated
// corners or corners on an edge.
Ring ConvexHull(Ring points);

// The part of a ring inside a convex ring. For a ring that is not convex
// itself, the result may have edges that run back along themselves, but its
// area is that of the intersection.
Ring ClipToConvex(const Ring& ring, const Ring& convex);

// The extent of a ring; of one without corners, a box that overlaps nothing.
Box BoxOf(const Ring& ring);

// Whether two boxes share more than a side or a corner.
bool Overlap(const Box& a, const Box& b);

// Polygons as plain rings, to measure their part inside a convex ring
// without GEOS: the part inside the shells less the part inside the holes.
struct PlainPolygons {
    struct Boundary {
        Ring ring;
        Box box;
        bool hole;
    };
    std::vector<Boundary> rings;

    double AreaInside(const Ring& convex) const;
};

// The area of a ring, whatever its orientation; measured from its first
// corner, so that large coordinates cost no precision.
double RingArea(const Ring& ring);

} // namespace thiessen
