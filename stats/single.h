#pragma once

namespace rainfall {

// Rounds a double-precision result to single precision, the type in which the
// program stores every sum and shows every result. A value beyond the single
// range raises an Overflow RuntimeError, a NaN an InvalidOperation; values too
// small for single precision quietly become zero, as the hardware does.
float ToSingle(double value);

} // namespace rainfall
