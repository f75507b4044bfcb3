#pragma once

#include "thiessen/geometry/diagram.h"

#include <cstddef>
#include <list>
#include <optional>
#include <unordered_map>
#include <vector>

namespace thiessen {

// The rainfall over a catchment (or a sub-basin) at one time step.
struct StepRainfall {
    std::optional<double> rainfall; // none when no gauge reported
    std::size_t reporting = 0;      // the number of gauges that reported
};

// The rainfall over each of several basins step after step, all from one
// diagram of the gauges. At a step where some gauges did not report, the
// weights are those of the Thiessen polygons of the gauges that did: the
// diagram without the missing gauges, never the missing gauges' weight
// spread over the others. The diagram is rebuilt once per group of
// neighbouring missing gauges and then cut to each basin the group touches;
// the result is kept for every gauge missing alone and for the most recently
// used larger groups, so a series whose gaps repeat rebuilds each group once,
// and the memory stays bounded however long the series. An object serves one thread; threads may
// share the tessellation and the coverages.
class BasinRainfall {
public:
    BasinRainfall(const Tessellation& cells, std::vector<const Coverage*> basins,
                  std::size_t cachedGroups = 1 << 14);

    // values holds one value per gauge, NaN where the gauge did not report;
    // results gets one per basin, in the order given. A basin's rainfall is
    // the area-weighted mean of the values that count in it, so where they
    // are all the same, it is that value exactly.
    void Compute(const std::vector<double>& values, std::vector<StepRainfall>& results);

    // How many groups of missing gauges were rebuilt so far.
    std::size_t Rebuilds() const { return rebuilds_; }

private:
    struct Gain {
        std::size_t basin;
        std::size_t site;
        double area;
    };
    using Group = std::vector<std::size_t>;
    struct GroupHash {
        std::size_t operator()(const Group& group) const;
    };
    const std::vector<Gain>& GainsWithout(const Group& group);
    const std::vector<Gain>& GainsWithoutAlone(std::size_t site);
    std::vector<Gain> Rebuild(const Group& group) const;

    const Tessellation& cells_;
    std::vector<const Coverage*> basins_;
    std::vector<std::vector<std::size_t>> basinsOfSite_; // where each site's cell has area
    std::size_t capacity_;
    std::size_t rebuilds_ = 0;
    std::list<Group> order_; // least recently used first
    struct Entry {
        std::vector<Gain> gains;
        std::list<Group>::iterator position;
    };
    std::unordered_map<Group, Entry, GroupHash> cache_;
    // A missing gauge without missing neighbours, the usual case, is kept
    // apart, for as long as the object: there are only as many as gauges.
    std::vector<std::vector<Gain>> alone_;
    std::vector<char> aloneBuilt_;
    // Scratch, reused from step to step.
    std::vector<std::size_t> missing_, clustered_;
    std::vector<char> isMissing_;
    std::vector<double> sums_, totals_, lowest_, highest_;
};

// The same for one catchment and its diagram.
class CatchmentRainfall {
public:
    explicit CatchmentRainfall(const Diagram& diagram, std::size_t cachedGroups = 1 << 14);
    StepRainfall Compute(const std::vector<double>& values);
    std::size_t Rebuilds() const { return rainfall_.Rebuilds(); }

private:
    BasinRainfall rainfall_;
    std::vector<StepRainfall> results_;
};

} // namespace thiessen
