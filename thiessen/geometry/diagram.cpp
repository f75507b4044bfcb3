#include "thiessen/geometry/diagram.h"

namespace thiessen {

Diagram::Diagram(const Geos& geos, std::vector<Site> sites, const GEOSGeometry& catchment)
    : tessellation_(std::move(sites), ExtentOf(geos, catchment)),
      coverage_(geos, tessellation_, catchment)
{
}

std::vector<AreaChange> Diagram::AreasWithout(const std::vector<std::size_t>& missing) const
{
    return thiessen::AreasWithout(tessellation_, coverage_, missing);
}

} // namespace thiessen
