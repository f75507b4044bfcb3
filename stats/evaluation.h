#pragma once

#include "stats/rainfall_sums.h"

#include <optional>

namespace rainfall {

// The four figures the main window shows, in the order they are shown.
struct Statistics {
    float mean = 0;                    // arithmetic mean of P
    float stdDev = 0;                  // sample standard deviation of P (n - 1)
    std::optional<float> weightedMean; // Thiessen mean, sum(P*A) / sum(A)
    float sumOfAreas = 0;              // sum of A
};

// Evaluates a record that holds at least two values (fewer is an
// InvalidArgument RuntimeError). The area-weighted mean is empty when it cannot
// be formed: the sum of the areas is zero, or the quotient is beyond the single
// range. A negative variance, which single-precision rounding can produce when
// all values are equal, gives a standard deviation of 0.
Statistics Evaluate(const RainfallSums& sums);

} // namespace rainfall
