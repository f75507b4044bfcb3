#include "stats/evaluation.h"

#include "errors/runtime_error.h"
#include "stats/single.h"

#include <cmath>
#include <cstdint>

namespace rainfall {

namespace {

float StandardDeviation(const RainfallSums& sums)
{
    const std::int64_t n = sums.ValueCount;
    const double nTimesSumP2 = double(static_cast<float>(n)) * double(sums.SumP2);
    const double sumPSquared = std::pow(double(sums.SumP), 2.0);
    // n(n - 1) in 64 bits: it exceeds the 16-bit range from 182 values on.
    const double denominator = double((n - 1) * n);
    const double variance = (nTimesSumP2 - sumPSquared) / denominator;
    if (variance < 0)
        return 0;
    return ToSingle(std::sqrt(variance));
}

std::optional<float> WeightedMean(const RainfallSums& sums)
{
    if (sums.SumA == 0)
        return std::nullopt;
    const auto mean = static_cast<float>(double(sums.SumPA) / double(sums.SumA));
    if (!std::isfinite(mean))
        return std::nullopt;
    return mean;
}

} // namespace

Statistics Evaluate(const RainfallSums& sums)
{
    if (sums.ValueCount < 2)
        throw RuntimeError(RuntimeError::Kind::InvalidArgument,
                           "the statistics need at least two values");
    Statistics result;
    result.mean = ToSingle(double(sums.SumP) / double(static_cast<float>(sums.ValueCount)));
    result.stdDev = StandardDeviation(sums);
    result.weightedMean = WeightedMean(sums);
    result.sumOfAreas = sums.SumA;
    return result;
}

} // namespace rainfall
