#include "thiessen/geometry/convex_clip.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace thiessen {

namespace {

double SignedArea(const Ring& ring)
{
    const Site origin = ring[0];
    double twice = 0;
    for (std::size_t i = 2; i < ring.size(); ++i)
        twice += (ring[i - 1].x - origin.x) * (ring[i].y - origin.y) -
                 (ring[i].x - origin.x) * (ring[i - 1].y - origin.y);
    return twice / 2;
}

// Twice the signed area of the triangle o, a, b: positive where the turn at a
// is to the left. Taken from the two edges that meet at a, so that the sign
// is right even where one of them is as short as rounding.
double Turn(Site o, Site a, Site b)
{
    return (a.x - o.x) * (b.y - a.y) - (a.y - o.y) * (b.x - a.x);
}

} // namespace

void KeepBehind(const Ring& ring, Site point, Site normal, Ring& kept)
{
    auto side = [&](Site s) { return (s.x - point.x) * normal.x + (s.y - point.y) * normal.y; };
    kept.clear();
    if (ring.empty())
        return;
    Site previous = ring.back();
    double previousSide = side(previous);
    for (const Site& corner : ring) {
        const double cornerSide = side(corner);
        if ((previousSide < 0 && cornerSide > 0) || (previousSide > 0 && cornerSide < 0)) {
            const double t = previousSide / (previousSide - cornerSide);
            kept.push_back({previous.x + t * (corner.x - previous.x),
                            previous.y + t * (corner.y - previous.y)});
        }
        if (cornerSide <= 0)
            kept.push_back(corner);
        previous = corner;
        previousSide = cornerSide;
    }
}

Ring ConvexHull(Ring points)
{
    std::sort(points.begin(), points.end(),
              [](Site a, Site b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    if (points.size() < 3)
        return points;
    // The lower chain left to right, then the upper one back.
    Ring hull(2 * points.size());
    std::size_t size = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        while (size >= 2 && Turn(hull[size - 2], hull[size - 1], points[i]) <= 0)
            --size;
        hull[size++] = points[i];
    }
    for (std::size_t i = points.size() - 1, lower = size + 1; i-- > 0;) {
        while (size >= lower && Turn(hull[size - 2], hull[size - 1], points[i]) <= 0)
            --size;
        hull[size++] = points[i];
    }
    hull.resize(size - 1); // the last is the first again
    return hull;
}

// The convex ring is cut by the lines through its corners; where rounding
// has left two corners a hair apart, the line through them points anywhere,
// so the ring's hull is used, whose every edge has the rest on its left.
Ring ClipToConvex(const Ring& ring, const Ring& convex)
{
    const Ring hull = ConvexHull(convex);
    if (hull.size() < 3)
        return {};
    Ring clipped = ring, scratch;
    for (std::size_t i = 0, j = hull.size() - 1; i < hull.size() && !clipped.empty(); j = i++) {
        // Inside a counter-clockwise ring is left of each edge.
        const Site a = hull[j], b = hull[i];
        KeepBehind(clipped, a, {b.y - a.y, a.x - b.x}, scratch);
        std::swap(clipped, scratch);
    }
    return clipped;
}

Box BoxOf(const Ring& ring)
{
    constexpr double Infinity = std::numeric_limits<double>::infinity();
    Box box{Infinity, Infinity, -Infinity, -Infinity};
    for (const Site& corner : ring)
        box = {std::min(box.minX, corner.x), std::min(box.minY, corner.y),
               std::max(box.maxX, corner.x), std::max(box.maxY, corner.y)};
    return box;
}

bool Overlap(const Box& a, const Box& b)
{
    return a.minX < b.maxX && b.minX < a.maxX && a.minY < b.maxY && b.minY < a.maxY;
}

double PlainPolygons::AreaInside(const Ring& convex) const
{
    if (convex.empty())
        return 0;
    const Box within = BoxOf(convex);
    double area = 0;
    for (const Boundary& boundary : rings)
        if (Overlap(boundary.box, within)) {
            const double part = RingArea(ClipToConvex(boundary.ring, convex));
            area += boundary.hole ? -part : part;
        }
    return area;
}

double RingArea(const Ring& ring)
{
    return ring.size() < 3 ? 0 : std::abs(SignedArea(ring));
}

} // namespace thiessen
