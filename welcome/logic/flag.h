#pragma once

#include <cstdint>

namespace rainfall {

// The program's Boolean flags: -1 for true, 0 for false. A flag is tested
// against FlagFalse; any other value counts as true.
constexpr std::int16_t FlagTrue = -1;
constexpr std::int16_t FlagFalse = 0;

} // namespace rainfall
