#pragma once

#include "thiessen/geometry/diagram.h"
#include "thiessen/geometry/geos.h"
#include "thiessen/io/coordinate_system.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/vector_source.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace thiessen {

// What the command line may say about the files beyond their names.
struct CatchmentOptions {
    std::string boundaryLayer;     // --layer
    GaugeSource gauges;            // --gauges-layer, --id
    CoordinateSystem gaugesSystem; // --crs, for gauges whose file names none
    std::string basinField;        // --by: the field that names the sub-basins
};

// A sub-basin: the features of the boundary layer that share a name, and the
// gauges' cells cut to them.
struct SubBasin {
    std::string name;
    std::unique_ptr<Coverage> coverage;
};

// A catchment and its gauges, ready for the Thiessen method: the gauges in
// their file's order, the boundary and the gauges on a plane, and the
// diagram. When the coordinate systems are known, the plane is an equal-area
// map of the ellipsoid centred on the catchment, and areas are given in
// square kilometres; otherwise the files' own plane in an unknown unit.
struct Catchment {
    GaugeTable gauges;
    // The boundary file's system (the gauges' when it names none).
    CoordinateSystem system;
    // From WGS84 longitude and latitude to the map; none on a plane of
    // unknown unit.
    std::optional<Transformation> map;
    Geometry boundary; // on the plane; with sub-basins, all of them merged
    std::unique_ptr<Diagram> diagram;
    // With a field that names them, the sub-basins in the layer's order, on
    // the diagram's cells; each computed on its own where they overlap.
    std::vector<SubBasin> subBasins;
    // What was repaired, merged or looks wrong, each a line for the user
    // that names its file.
    std::vector<std::string> warnings;

    // The factor from the plane's square units to the units areas are given in.
    double AreaUnit() const { return map ? 1e-6 : 1.0; }
    // "km²", or empty where the unit is unknown.
    std::string AreaUnitName() const { return map ? "km\u00b2" : ""; }
    double Area(std::size_t gauge) const { return diagram->Area(gauge) * AreaUnit(); }
    double Weight(std::size_t gauge) const
    {
        return diagram->Area(gauge) / diagram->CatchmentArea();
    }
    // The coverages rainfall is computed on: the sub-basins', or else the
    // whole catchment's.
    std::vector<const Coverage*> Basins() const;
    // Their names; the whole catchment is named by its file's name.
    std::vector<std::string> BasinNames(const std::string& boundaryPath) const;
};

// Whether each gauge lies in the catchment (or on its edge).
std::vector<bool> GaugesInside(const Geos& geos, const Catchment& catchment);

// Reads both files and builds the diagram. Throws a DataError for bad data,
// naming the file.
Catchment LoadCatchment(const Geos& geos, const std::string& gaugesPath,
                        const std::string& boundaryPath, const CatchmentOptions& options = {});
// The same from what was already read; the names stand for the files.
// With sub-basins, the boundary's features carry their names.
Catchment MakeCatchment(const Geos& geos, GaugeTable gauges, BoundaryLayer boundary,
                        const std::string& gaugesName, const std::string& boundaryName,
                        bool bySubBasin = false);

} // namespace thiessen
