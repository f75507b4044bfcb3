#include "thiessen/geometry/site_index.h"

#include <algorithm>
#include <numeric>

namespace thiessen {

namespace {

// Ranges this short are searched through rather than split.
constexpr std::size_t LeafSize = 8;

} // namespace

// The nearest sites found so far, nearest first, and how near the next must be.
struct SiteIndex::Search {
    Site point;
    std::size_t count;
    double within2;
    std::vector<Found>& found;

    double Bound() const { return found.size() == count ? found.back().distance2 : within2; }

    void Offer(std::size_t site, Site at)
    {
        const double dx = at.x - point.x, dy = at.y - point.y;
        const double distance2 = dx * dx + dy * dy;
        if (!(distance2 < Bound()))
            return;
        if (found.size() == count)
            found.pop_back();
        const auto nearer = [](const Found& a, const Found& b) {
            return a.distance2 < b.distance2;
        };
        const Found entry{distance2, site};
        found.insert(std::upper_bound(found.begin(), found.end(), entry, nearer), entry);
    }
};

SiteIndex::SiteIndex(const std::vector<Site>& sites)
    : sites_(sites), order_(sites.size()), splitsOnX_(sites.size(), 0),
      extents_(sites.size(), Box{0, 0, 0, 0})
{
    std::iota(order_.begin(), order_.end(), 0);
    Build(0, order_.size());
}

// Splits each range across its wider side, so that clustered sites still
// give a shallow tree, and keeps each range's extent for the search.
void SiteIndex::Build(std::size_t begin, std::size_t end)
{
    if (end - begin <= LeafSize)
        return;
    const Site& first = sites_[order_[begin]];
    Box box{first.x, first.y, first.x, first.y};
    for (std::size_t k = begin; k < end; ++k) {
        const Site& site = sites_[order_[k]];
        box = {std::min(box.minX, site.x), std::min(box.minY, site.y), std::max(box.maxX, site.x),
               std::max(box.maxY, site.y)};
    }
    const bool onX = box.maxX - box.minX >= box.maxY - box.minY;
    const std::size_t middle = begin + (end - begin) / 2;
    std::nth_element(order_.begin() + begin, order_.begin() + middle, order_.begin() + end,
                     [&](std::size_t a, std::size_t b) {
                         return onX ? sites_[a].x < sites_[b].x : sites_[a].y < sites_[b].y;
                     });
    splitsOnX_[middle] = onX;
    extents_[middle] = box;
    Build(begin, middle);
    Build(middle + 1, end);
}

// Ranges whose extent lies no nearer than the bound are passed by, so that a
// question about a point far from every site still costs little.
void SiteIndex::Visit(std::size_t begin, std::size_t end, Search& search) const
{
    if (end - begin <= LeafSize) {
        for (std::size_t k = begin; k < end; ++k)
            search.Offer(order_[k], sites_[order_[k]]);
        return;
    }
    const std::size_t middle = begin + (end - begin) / 2;
    const Box& box = extents_[middle];
    const Site point = search.point;
    const double dx = std::max({box.minX - point.x, 0.0, point.x - box.maxX});
    const double dy = std::max({box.minY - point.y, 0.0, point.y - box.maxY});
    if (!(dx * dx + dy * dy < search.Bound()))
        return;
    const Site& split = sites_[order_[middle]];
    search.Offer(order_[middle], split);
    if ((splitsOnX_[middle] ? point.x - split.x : point.y - split.y) < 0) {
        Visit(begin, middle, search);
        Visit(middle + 1, end, search);
    } else {
        Visit(middle + 1, end, search);
        Visit(begin, middle, search);
    }
}

void SiteIndex::Nearest(Site point, std::size_t count, double within2,
                        std::vector<Found>& found) const
{
    found.clear();
    Search search{point, count, within2, found};
    if (count > 0)
        Visit(0, order_.size(), search);
}

} // namespace thiessen
