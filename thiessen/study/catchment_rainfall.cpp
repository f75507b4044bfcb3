#include "thiessen/study/catchment_rainfall.h"

#include <cmath>

namespace thiessen {

CatchmentRainfall::CatchmentRainfall(const Diagram& diagram, std::size_t cachedSets)
    : diagram_(diagram), capacity_(cachedSets), areas_(diagram.Areas())
{
}

StepRainfall CatchmentRainfall::Compute(const std::vector<double>& values)
{
    missing_.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::isnan(values[i]))
            missing_.push_back(i);
    StepRainfall step;
    step.reporting = values.size() - missing_.size();
    if (step.reporting == 0)
        return step;

    const std::vector<AreaChange>* changes = nullptr;
    if (!missing_.empty()) {
        changes = &ChangesWithout(missing_);
        for (const AreaChange& change : *changes)
            areas_[change.site] = change.area;
    }
    double sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (areas_[i] != 0)
            sum += areas_[i] * values[i];
    step.rainfall = sum / diagram_.CatchmentArea();
    if (changes != nullptr)
        for (const AreaChange& change : *changes)
            areas_[change.site] = diagram_.Area(change.site);
    return step;
}

const std::vector<AreaChange>& CatchmentRainfall::ChangesWithout(const MissingSet& missing)
{
    auto found = cache_.find(missing);
    if (found != cache_.end()) {
        order_.splice(order_.end(), order_, found->second.position);
        return found->second.changes;
    }
    if (cache_.size() >= capacity_ && !order_.empty()) {
        cache_.erase(order_.front());
        order_.pop_front();
    }
    ++rebuilds_;
    order_.push_back(missing);
    Entry entry{diagram_.AreasWithout(missing), std::prev(order_.end())};
    return cache_.emplace(missing, std::move(entry)).first->second.changes;
}

} // namespace thiessen
