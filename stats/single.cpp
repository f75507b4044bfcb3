#include "stats/single.h"

#include "errors/runtime_error.h"

#include <cmath>

namespace rainfall {

float ToSingle(double value)
{
    if (std::isnan(value))
        throw RuntimeError(RuntimeError::Kind::InvalidOperation);
    const auto single = static_cast<float>(value);
    if (std::isinf(single))
        throw RuntimeError(RuntimeError::Kind::Overflow);
    return single;
}

} // namespace rainfall
