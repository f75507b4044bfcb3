#pragma once

#include "thiessen/diagram.h"
#include "thiessen/gauges.h"
#include "thiessen/geos.h"
#include "thiessen/projection.h"

#include <memory>
#include <optional>
#include <string>

namespace thiessen {

// A catchment and its gauges, ready for the Thiessen method: the gauges in
// their file's order, the boundary and the gauges on a plane, and the
// diagram. Gauges in longitude and latitude are put on an equal-area map
// centred on the catchment, and their areas are given in square kilometres;
// planar gauges keep their unit.
struct Catchment {
    GaugeTable gauges;
    std::optional<EqualAreaProjection> projection; // for geographic gauges
    Geometry boundary;                             // on the plane
    std::unique_ptr<Diagram> diagram;

    // The factor from the plane's square units to the units areas are given in.
    double AreaUnit() const { return projection ? 1e-6 : 1.0; }
    double Area(std::size_t gauge) const { return diagram->Area(gauge) * AreaUnit(); }
    double Weight(std::size_t gauge) const
    {
        return diagram->Area(gauge) / diagram->CatchmentArea();
    }
};

// Reads both files and builds the diagram. Throws a DataError for bad data,
// naming the file.
Catchment LoadCatchment(const Geos& geos, const std::string& gaugesPath,
                        const std::string& boundaryPath);
// The same from what was already read.
Catchment MakeCatchment(const Geos& geos, GaugeTable gauges, Geometry boundary,
                        const std::string& boundaryName);

} // namespace thiessen
