#pragma once

#include "thiessen/geometry/plane.h"

#include <cstddef>
#include <vector>

namespace thiessen {

// The sites in a k-d tree, for the sites nearest to a point. A tessellation
// asks a dozen such questions per cell; GEOS's STRtree answers one nearest
// site per call, through callbacks on geometries made for the purpose.
class SiteIndex {
public:
    // Keeps a reference to the sites, which must outlive the index.
    explicit SiteIndex(const std::vector<Site>& sites);

    struct Found {
        double distance2; // squared
        std::size_t site;
    };
    // The count sites nearest to the point among those nearer to it than
    // the square root of within2, nearest first; of sites equally near, any.
    void Nearest(Site point, std::size_t count, double within2, std::vector<Found>& found) const;

    // Every site once, sites near each other mostly near each other in the
    // list: an order in which to ask about them all that keeps memory warm.
    const std::vector<std::size_t>& Order() const { return order_; }

private:
    struct Search;
    void Build(std::size_t begin, std::size_t end);
    void Visit(std::size_t begin, std::size_t end, Search& search) const;

    const std::vector<Site>& sites_;
    // The tree in place: the middle entry of each range splits the rest, on x
    // or on y, into the halves before and after it; the range's extent is
    // kept at the same place.
    std::vector<std::size_t> order_;
    std::vector<char> splitsOnX_;
    std::vector<Box> extents_;
};

} // namespace thiessen
