#include "thiessen/geometry/convex_clip.h"

#include <cmath>

namespace thiessen {

namespace {

// Keeps the part of a ring where side(point) <= 0, side being linear.
template <typename Side> Ring ClipToHalfPlane(const Ring& ring, Side side)
{
    Ring clipped;
    if (ring.empty())
        return clipped;
    Site previous = ring.back();
    double previousSide = side(previous);
    for (const Site& point : ring) {
        const double pointSide = side(point);
        if ((previousSide < 0 && pointSide > 0) || (previousSide > 0 && pointSide < 0)) {
            const double t = previousSide / (previousSide - pointSide);
            clipped.push_back(
                {previous.x + t * (point.x - previous.x), previous.y + t * (point.y - previous.y)});
        }
        if (pointSide <= 0)
            clipped.push_back(point);
        previous = point;
        previousSide = pointSide;
    }
    return clipped;
}

double SignedArea(const Ring& ring)
{
    double twice = 0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        twice += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
    return twice / 2;
}

} // namespace

Ring ConvexCell(const std::vector<Site>& sites, std::size_t i, const Ring& box)
{
    Ring cell = box;
    const Site p = sites[i];
    for (std::size_t j = 0; j < sites.size() && !cell.empty(); ++j) {
        if (j == i)
            continue;
        // Nearer to q than to p: (x - middle) . (q - p) > 0.
        const Site q = sites[j];
        const double mx = (p.x + q.x) / 2, my = (p.y + q.y) / 2;
        const double dx = q.x - p.x, dy = q.y - p.y;
        cell = ClipToHalfPlane(cell, [&](Site s) { return (s.x - mx) * dx + (s.y - my) * dy; });
    }
    return cell;
}

Ring ClipToConvex(const Ring& ring, const Ring& convex)
{
    if (convex.size() < 3)
        return {};
    Ring clipped = ring;
    for (std::size_t i = 0, j = convex.size() - 1; i < convex.size() && !clipped.empty(); j = i++) {
        const Site a = convex[j], b = convex[i];
        // Inside a counter-clockwise ring is left of each edge.
        clipped = ClipToHalfPlane(
            clipped, [&](Site s) { return (b.y - a.y) * (s.x - a.x) - (b.x - a.x) * (s.y - a.y); });
    }
    return clipped;
}

double RingArea(const Ring& ring)
{
    return ring.size() < 3 ? 0 : std::abs(SignedArea(ring));
}

} // namespace thiessen
