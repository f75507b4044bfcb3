#pragma once

#include <vector>

namespace thiessen {

// A point of the plane: a site (a rain gauge) or a corner of a ring.
struct Site {
    double x;
    double y;
};

// A rectangle whose sides run along the axes.
struct Box {
    double minX, minY, maxX, maxY;
};

// A polygon's boundary as a list of corners, not closed: the last corner is
// joined to the first.
using Ring = std::vector<Site>;

} // namespace thiessen
