#pragma once

#include "thiessen/io/csv.h"

#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace thiessen {

// A rainfall value as either form of a series file writes it.
class RainfallField {
public:
    // Fields equal to one of missingTokens are missing, as empty fields, NA
    // and NaN always are; fields equal to one of traceTokens are a trace of
    // rain, 0. A token that is both is missing.
    RainfallField(const std::vector<std::string>& missingTokens,
                  const std::vector<std::string>& traceTokens);

    // The value of text, the field the reader returned last: NaN when
    // missing. Refuses, through the reader, a field that is neither a finite
    // number nor a token, and a negative number.
    double Read(const csv::Reader& reader, std::string_view text) const
    {
        // Inline, the common case costs a series of ten thousand gauges
        // little more than the number.
        double value = 0;
        if (!text.empty() &&
            csv::ParseNumber(text, reader.DecimalComma(), value) == csv::NumberStatus::Ok &&
            value >= 0 && value <= std::numeric_limits<double>::max() && !IsToken(text))
            return value + 0.0; // -0 is 0
        return ReadAny(reader, text);
    }

private:
    double ReadAny(const csv::Reader& reader, std::string_view text) const;
    static bool IsIn(const std::vector<std::string>& tokens, std::string_view text)
    {
        for (const std::string& token : tokens)
            if (token == text)
                return true;
        return false;
    }
    bool IsToken(std::string_view text) const
    {
        return IsIn(missingTokens_, text) || IsIn(traceTokens_, text);
    }

    std::vector<std::string> missingTokens_;
    std::vector<std::string> traceTokens_;
};

} // namespace thiessen
