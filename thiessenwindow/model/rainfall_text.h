#pragma once

#include <QString>

#include <optional>

namespace rainfall {

// A rainfall as the table takes it: a number as the calculator's fields read
// it (blanks ignored, a full stop for the decimal point, an optional
// exponent), and nothing else after it. Empty text holds no value. The
// result is the value in single precision, or why the text is refused.
struct RainfallText {
    bool empty = false;
    std::optional<float> value;
    QString problem;
};
RainfallText ReadRainfall(const QString& text);

} // namespace rainfall
