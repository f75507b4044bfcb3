#pragma once

#include "thiessen/io/series_reader.h"
#include "thiessen/output/output.h"
#include "thiessen/study/catchment.h"

#include <cstdio>
#include <string>
#include <vector>

namespace thiessen {

// Steps of a series worth a word to the user: where no gauge reported, and
// where only gauges outside the catchment did.
struct SeriesNotes {
    long emptySteps = 0, firstEmptyLine = 0;
    long outsideSteps = 0, firstOutsideLine = 0;
    std::string firstOutsideTime;

    void Count(const SeriesStep& step, bool reported, bool insideReported);
    // Adds the notes of the steps that come after these.
    void Add(const SeriesNotes& later);
    // The lines for standard error, naming the series file.
    std::string Text(const std::string& name) const;
};

// What a series run writes: the layout, and the basins' names for it.
struct SeriesOutput {
    SeriesLayout layout;
    std::vector<std::string> basins;
};

// Computes the rainfall of every step of the source over the catchment's
// basins and writes it as CSV to out, header first, in the file's order;
// inside tells the gauges that lie in the catchment.
// Batches of steps are read and computed on the given number of threads,
// each with its own cache of rebuilt cells, and written as they come in
// order, so that the memory stays that of a few batches. A bad line stops
// the run with its DataError, after the steps before it are written.
SeriesNotes WriteSeries(SeriesSource& source, const Catchment& catchment,
                        const std::vector<bool>& inside, const SeriesOutput& output,
                        unsigned threads, std::FILE* out);

} // namespace thiessen
