#include "stats/rainfall_sums.h"

#include "errors/runtime_error.h"
#include "stats/single.h"

#include <cmath>
#include <limits>
#include <string>

namespace rainfall {

namespace {

float NewSum(double value, const char* sumName)
{
    try {
        return ToSingle(value);
    } catch (const RuntimeError& error) {
        throw RuntimeError(error.ErrorKind(), std::string("the ") + sumName +
                                                  " would leave the range of single precision");
    }
}

} // namespace

void AddPair(RainfallSums& sums, float P, float A)
{
    if (sums.ValueCount == std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(RuntimeError::Kind::Overflow,
                           "32767 values have been accepted, the most one sequence can hold");

    // Work on copies so that a refused pair leaves the record untouched.
    RainfallSums next = sums;
    next.SumP = NewSum(double(sums.SumP) + double(P), "sum of the precipitation values");
    next.SumP2 = NewSum(double(sums.SumP2) + std::pow(double(P), 2.0),
                        "sum of the squared precipitation values");
    next.SumPA =
        NewSum(double(sums.SumPA) + double(A) * double(P), "sum of precipitation times area");
    next.SumA = NewSum(double(sums.SumA) + double(A), "sum of the areas");
    next.ValueCount = static_cast<std::int16_t>(sums.ValueCount + 1);
    sums = next;
}

void ResetSums(RainfallSums& sums) noexcept
{
    sums = RainfallSums{};
}

} // namespace rainfall
