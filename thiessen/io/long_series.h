#pragma once

// A series file in long form: a line for each gauge and time (see
// OpenSeries).

#include "thiessen/io/csv.h"
#include "thiessen/io/series_reader.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace thiessen {

// Where a long series has its gauge ids, times and values, counting from 1.
struct LongColumns {
    int gauge = 0;
    int time = 0;
    int value = 0;
};

// The columns of a long series when the header the reader has read is one;
// nothing for a wide series. Refuses a header of a long series with two
// columns for one of the three.
std::optional<LongColumns> FindLongColumns(const csv::Reader& reader,
                                           const std::vector<std::string>& gaugeIds);

// Reads the rest of the file whole, and gives its steps.
std::unique_ptr<SeriesSource> ReadLongSeries(csv::Reader& reader, const LongColumns& columns,
                                             const std::vector<std::string>& gaugeIds,
                                             const SeriesOptions& options);

} // namespace thiessen
