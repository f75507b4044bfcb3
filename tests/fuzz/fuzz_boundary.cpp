// libFuzzer target: a boundary read through GDAL (as GeoJSON) and made a
// catchment, on any input: the program's own layer around GDAL's reader, its
// repairs, merging, projection and the diagram.
#include "thiessen/base/data_error.h"
#include "thiessen/study/catchment.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const thiessen::Geos geos;
    try {
        thiessen::BoundaryLayer boundary = thiessen::ParseBoundaryLayer(
            geos, std::string(reinterpret_cast<const char*>(data), size), "b.geojson");
        thiessen::GaugeTable gauges;
        gauges.gauges = {{"A", 0.5, 0.5, 2}, {"B", 10, 10, 3}};
        thiessen::MakeCatchment(geos, std::move(gauges), std::move(boundary), "g.csv", "b.geojson");
    } catch (const thiessen::DataError&) {
    }
    return 0;
}
