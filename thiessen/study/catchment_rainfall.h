#pragma once

#include "thiessen/geometry/diagram.h"

#include <cstddef>
#include <list>
#include <map>
#include <optional>
#include <vector>

namespace thiessen {

// The rainfall over the catchment at one time step.
struct StepRainfall {
    std::optional<double> rainfall; // none when no gauge reported
    std::size_t reporting = 0;      // the number of gauges that reported
};

// Catchment rainfall step after step. At a step where some gauges did not
// report, the weights are those of the Thiessen polygons of the gauges that
// did: the diagram without the missing gauges, never the missing gauges'
// weight spread over the others. Those weights are kept for the most
// recently used sets of missing gauges, so a series whose gaps repeat builds
// each diagram once, and the memory stays bounded however long the series.
class CatchmentRainfall {
public:
    explicit CatchmentRainfall(const Diagram& diagram, std::size_t cachedSets = 4096);

    // values holds one value per gauge, NaN where the gauge did not report.
    StepRainfall Compute(const std::vector<double>& values);

    // How many diagrams without missing gauges were built so far.
    std::size_t Rebuilds() const { return rebuilds_; }

private:
    using MissingSet = std::vector<std::size_t>;
    const std::vector<AreaChange>& ChangesWithout(const MissingSet& missing);

    const Diagram& diagram_;
    std::size_t capacity_;
    std::size_t rebuilds_ = 0;
    std::vector<double> areas_; // the areas in use, the full diagram's between steps
    // Least recently used first.
    std::list<MissingSet> order_;
    struct Entry {
        std::vector<AreaChange> changes;
        std::list<MissingSet>::iterator position;
    };
    std::map<MissingSet, Entry> cache_;
    MissingSet missing_; // scratch, reused from step to step
};

} // namespace thiessen
