#include "thiessen/io/rainfall_field.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace thiessen {

RainfallField::RainfallField(const std::vector<std::string>& missingTokens,
                             const std::vector<std::string>& traceTokens)
    : missingTokens_(missingTokens), traceTokens_(traceTokens)
{
}

double RainfallField::ReadAny(const csv::Reader& reader, std::string_view text) const
{
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    if (text.empty())
        return kMissing;
    double value = 0;
    const csv::NumberStatus status = csv::ParseNumber(text, reader.DecimalComma(), value);
    // A token may be a number, as -9999 is.
    if (IsIn(missingTokens_, text))
        return kMissing;
    if (IsIn(traceTokens_, text))
        return 0;
    if (status == csv::NumberStatus::Ok) {
        if (std::isnan(value))
            return kMissing;
        if (std::isinf(value))
            reader.Fail("expected a finite number, not " + csv::Quote(text));
        if (value < 0)
            reader.Fail("a negative rainfall, " + csv::Quote(text) +
                        "; if it marks missing values, name it with --missing");
        return value + 0.0; // -0 is 0
    }
    if (csv::EqualsIgnoringCase(text, "NA"))
        return kMissing;
    if (status == csv::NumberStatus::OutOfRange)
        reader.Fail("the number " + csv::Quote(text) + " is out of range");
    std::string missing = "a missing value (an empty field, NA, NaN";
    for (const std::string& token : missingTokens_)
        missing += ", " + token;
    missing += ")";
    std::string expected = "a number or " + missing;
    if (!traceTokens_.empty()) {
        expected = "a number, " + missing + " or a trace (" + traceTokens_.front();
        for (size_t i = 1; i < traceTokens_.size(); ++i)
            expected += ", " + traceTokens_[i];
        expected += ")";
    }
    reader.Fail("expected " + expected + ", not " + csv::Quote(text));
}

} // namespace thiessen
