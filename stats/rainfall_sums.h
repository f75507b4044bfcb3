#pragma once

#include <cstdint>

namespace rainfall {

// The whole numeric state of one calculation: how many precipitation/area pairs
// have been accepted and four running sums over them. Single pairs are not kept.
struct RainfallSums {
    std::int16_t ValueCount = 0; // n
    float SumP = 0;              // sum of P
    float SumP2 = 0;             // sum of P squared
    float SumPA = 0;             // sum of P times A
    float SumA = 0;              // sum of A
};

// Adds one pair. Each sum is updated in double precision and rounded to single
// once when stored. A pair that would take a sum out of the single range, or the
// count past 32767, is refused whole: a RuntimeError (Overflow) is thrown and the
// sums are left exactly as they were.
void AddPair(RainfallSums& sums, float P, float A);

// Returns the record to its fresh state: no values, all sums +0.
void ResetSums(RainfallSums& sums) noexcept;

} // namespace rainfall
