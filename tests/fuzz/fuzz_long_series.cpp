// libFuzzer target: the series reader, in long form most of the time, for
// the gauges G1, G2, G3. It reads the same bytes twice, in blocks of a size
// the input picks and in one block, and stops when the two disagree, when a
// step has a value that is not a rainfall or that is of a gauge the file
// does not have, or when two steps of a long series have one time.
#include "thiessen/base/data_error.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/long_series.h"
#include "thiessen/io/series_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

const std::vector<std::string> kGaugeIds = {"G1", "G2", "G3"};

bool IsLong(const std::string& text)
{
    thiessen::csv::Reader reader(text, "series.csv");
    try {
        reader.ReadHeader();
        return thiessen::FindLongColumns(reader, kGaugeIds).has_value();
    } catch (const thiessen::DataError&) {
        return false;
    }
}

// Every step, or the error that ended the reading.
std::string Trace(std::string& text, size_t blockSize, bool isLong)
{
    std::FILE* file = fmemopen(text.data(), text.size(), "rb");
    std::string trace;
    try {
        const auto series =
            thiessen::OpenSeries(file, "series.csv", kGaugeIds, {{"-9999", "M"}, {"T"}}, blockSize);
        std::set<std::string> times;
        for (thiessen::SeriesStep step; series->Next(step);) {
            if ((isLong && !times.insert(step.time).second) || step.line < 2)
                std::abort();
            trace += step.time + '@' + std::to_string(step.line) + ':';
            for (size_t gauge = 0; gauge < step.values.size(); ++gauge) {
                const double value = step.values[gauge];
                if (!std::isnan(value) &&
                    (!(value >= 0) || std::isinf(value) || !series->GaugesInFile()[gauge]))
                    std::abort();
                trace += std::to_string(value) + ',';
            }
            trace += '\n';
        }
    } catch (const thiessen::DataError& error) {
        trace += error.what();
    }
    std::fclose(file);
    return trace;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    const bool isLong = IsLong(text);
    if (Trace(text, 1 + size % 61, isLong) != Trace(text, size + 1, isLong))
        std::abort();
    return 0;
}
