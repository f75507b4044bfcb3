#include "thiessen/study/catchment_rainfall.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace thiessen {

std::size_t BasinRainfall::GroupHash::operator()(const Group& group) const
{
    std::size_t hash = group.size();
    for (std::size_t site : group)
        hash = hash * 0x9E3779B97F4A7C15ULL + site;
    return hash;
}

BasinRainfall::BasinRainfall(const Tessellation& cells, std::vector<const Coverage*> basins,
                             std::size_t cachedGroups)
    : cells_(cells), basins_(std::move(basins)), basinsOfSite_(cells.Size()),
      capacity_(std::max<std::size_t>(cachedGroups, 1)), alone_(cells.Size()),
      aloneBuilt_(cells.Size(), 0), isMissing_(cells.Size(), 0)
{
    for (std::size_t b = 0; b < basins_.size(); ++b)
        for (std::size_t site : basins_[b]->SitesWithArea())
            basinsOfSite_[site].push_back(b);
}

void BasinRainfall::Compute(const std::vector<double>& values, std::vector<StepRainfall>& results)
{
    missing_.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::isnan(values[i]))
            missing_.push_back(i);
    const std::size_t reporting = values.size() - missing_.size();
    results.assign(basins_.size(), StepRainfall{std::nullopt, reporting});
    if (reporting == 0)
        return;

    const std::size_t count = basins_.size();
    sums_.assign(count, 0.0);
    totals_.assign(count, 0.0);
    lowest_.assign(count, std::numeric_limits<double>::infinity());
    highest_.assign(count, -std::numeric_limits<double>::infinity());
    const auto add = [&](std::size_t basin, std::size_t site, double area) {
        const double value = values[site];
        sums_[basin] += area * value;
        totals_[basin] += area;
        lowest_[basin] = std::min(lowest_[basin], value);
        highest_[basin] = std::max(highest_[basin], value);
    };
    for (std::size_t b = 0; b < count; ++b) {
        const Coverage& basin = *basins_[b];
        for (std::size_t site : basin.SitesWithArea())
            if (!std::isnan(values[site]))
                add(b, site, basin.Area(site));
    }
    // Most missing gauges have no missing neighbour: each is a group of its
    // own, looked up directly; the others are grouped.
    for (std::size_t site : missing_)
        isMissing_[site] = 1;
    clustered_.clear();
    for (std::size_t site : missing_) {
        const auto& neighbours = cells_.Neighbours(site);
        if (std::any_of(neighbours.begin(), neighbours.end(),
                        [&](std::size_t n) { return isMissing_[n] != 0; }))
            clustered_.push_back(site);
        else
            for (const Gain& gain : GainsWithoutAlone(site))
                add(gain.basin, gain.site, gain.area);
    }
    for (std::size_t site : missing_)
        isMissing_[site] = 0;
    if (!clustered_.empty())
        for (const Group& group : cells_.GroupsOf(clustered_))
            for (const Gain& gain : GainsWithout(group))
                add(gain.basin, gain.site, gain.area);

    for (std::size_t b = 0; b < count; ++b) {
        if (!(totals_[b] > 0))
            continue;
        // The mean of equal values is that value, not one a rounding away;
        // and no mean lies outside the values it is made of.
        results[b].rainfall = lowest_[b] == highest_[b]
                                  ? lowest_[b]
                                  : std::clamp(sums_[b] / totals_[b], lowest_[b], highest_[b]);
    }
}

const std::vector<BasinRainfall::Gain>& BasinRainfall::GainsWithoutAlone(std::size_t site)
{
    if (!aloneBuilt_[site]) {
        ++rebuilds_;
        alone_[site] = Rebuild({site});
        aloneBuilt_[site] = 1;
    }
    return alone_[site];
}

const std::vector<BasinRainfall::Gain>& BasinRainfall::GainsWithout(const Group& group)
{
    auto found = cache_.find(group);
    if (found != cache_.end()) {
        order_.splice(order_.end(), order_, found->second.position);
        return found->second.gains;
    }
    if (cache_.size() >= capacity_) {
        cache_.erase(order_.front());
        order_.pop_front();
    }
    ++rebuilds_;
    order_.push_back(group);
    Entry entry{Rebuild(group), std::prev(order_.end())};
    return cache_.emplace(group, std::move(entry)).first->second.gains;
}

// The areas the group's neighbours gain in each basin where a lost cell lies.
std::vector<BasinRainfall::Gain> BasinRainfall::Rebuild(const Group& group) const
{
    std::vector<std::size_t> touched;
    for (std::size_t site : group)
        touched.insert(touched.end(), basinsOfSite_[site].begin(), basinsOfSite_[site].end());
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    if (touched.empty())
        return {};

    const std::vector<Tessellation::Handover> handovers = cells_.HandoversWithout(group);
    std::vector<Gain> gains;
    std::vector<AreaChange> basinGains;
    for (std::size_t b : touched) {
        basinGains.clear();
        basins_[b]->AddGains(handovers, basinGains);
        for (const AreaChange& gain : basinGains)
            if (gain.area != 0)
                gains.push_back({b, gain.site, gain.area});
    }
    return gains;
}

CatchmentRainfall::CatchmentRainfall(const Diagram& diagram, std::size_t cachedGroups)
    : rainfall_(diagram.Unclipped(), {&diagram.Clipped()}, cachedGroups)
{
}

StepRainfall CatchmentRainfall::Compute(const std::vector<double>& values)
{
    rainfall_.Compute(values, results_);
    return results_.front();
}

} // namespace thiessen
