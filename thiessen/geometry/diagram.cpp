#include "thiessen/geometry/diagram.h"

#include <algorithm>

namespace thiessen {

Diagram::Diagram(const Geos& geos, std::vector<Site> sites, const GEOSGeometry& catchment)
    : tessellation_(std::move(sites), ExtentOf(geos, catchment)),
      coverage_(geos, tessellation_, catchment)
{
}

std::vector<AreaChange> Diagram::AreasWithout(const std::vector<std::size_t>& missing) const
{
    std::vector<AreaChange> gains;
    for (const std::vector<std::size_t>& group : tessellation_.GroupsOf(missing))
        coverage_.AddGains(tessellation_.HandoversWithout(group), gains);
    // A site between two groups gains from both.
    std::sort(gains.begin(), gains.end(), [](auto& a, auto& b) { return a.site < b.site; });
    std::vector<AreaChange> changes;
    for (std::size_t m : missing)
        changes.push_back({m, 0.0});
    for (const AreaChange& gain : gains) {
        if (changes.size() > missing.size() && changes.back().site == gain.site)
            changes.back().area += gain.area;
        else
            changes.push_back({gain.site, Area(gain.site) + gain.area});
    }
    return changes;
}

} // namespace thiessen
