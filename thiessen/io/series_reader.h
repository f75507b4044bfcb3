#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace thiessen {

// One time step of a rainfall series: the time as the file writes it, and
// one value per gauge in the gauges file's order; a missing value is NaN.
// The line is the step's line, or in a long series that of its first value.
struct SeriesStep {
    std::string time;
    std::vector<double> values;
    long line = 0;
};

// What a series file's values mean besides numbers: fields equal to one of
// missingTokens are missing, as empty fields, NA and NaN always are; fields
// equal to one of traceTokens (an archive's T, say) are a trace of rain, 0.
// A token in both lists is missing.
struct SeriesOptions {
    std::vector<std::string> missingTokens;
    std::vector<std::string> traceTokens;
};

// A run of a series' steps, taken from the source on one thread and read on
// any: several batches may be read at once.
class SeriesBatch {
public:
    virtual ~SeriesBatch() = default;
    // Hands each step to step, in order; throws a DataError for a bad line
    // as the source's Next would, after handing over the steps before it.
    virtual void ForEachStep(const std::function<void(const SeriesStep&)>& step) const = 0;
};

// A rainfall series, read step by step.
class SeriesSource {
public:
    virtual ~SeriesSource() = default;

    // Reads the next step into step, reusing its memory; false after the
    // last step.
    virtual bool Next(SeriesStep& step) = 0;

    // The next steps, some bytes of the file's worth, for another thread to
    // read; none after the last step. A source is read by Next or by
    // batches, not by both.
    virtual std::unique_ptr<SeriesBatch> NextBatch(size_t bytes);

    // For each gauge, in the gauges file's order, whether the series has it
    // at all: a column of a wide file, a value in a long one.
    virtual const std::vector<bool>& GaugesInFile() const = 0;
};

// Opens a series file, CSV in one of two forms, told apart by the header.
//
// Wide: the first column is the time, the others are named by gauge ids, in
// any order; a line for each step. A gauge without a column is missing at
// every step. Read step by step, so that a series of any length needs the
// memory of one step.
//
// Long: a line for each value, with a column for the gauge id (named as
// GaugeIdNames in gauges.h has it), one for the time (time, date, datetime
// or timestamp) and one for the value (value, rainfall, precipitation or
// prcp), in any order and case; other columns are ignored. A header whose
// columns after the first all name gauges is wide. The lines may come in any
// order. When every time is ISO 8601 (a date, or a date and a time of day
// after a T or a space, to the minute, second or nanosecond, all with or all
// without a Z or a +hh:mm offset) the steps are in time order, one for each
// instant however written, and a date alone is its midnight; otherwise one
// for each time as written, in the order they first appear. A gauge without
// a value at a time is missing in that step. The file is read whole when
// opened, in some 20 bytes a value.
//
// Refuses, with a DataError naming the line and column: a column (wide) or a
// gauge id (long) that names no gauge, a gauge's second column, or its
// second value at one time; a line with too many or too few fields; a value
// that is neither a number nor a token; a negative rainfall.
std::unique_ptr<SeriesSource> OpenSeries(const std::string& path,
                                         const std::vector<std::string>& gaugeIds,
                                         const SeriesOptions& options);
// Reads a file already open (standard input, say), which stays open; name
// stands for it in messages. The file is read in blocks of the given size;
// a line longer than a block makes it larger.
std::unique_ptr<SeriesSource> OpenSeries(std::FILE* file, const std::string& name,
                                         const std::vector<std::string>& gaugeIds,
                                         const SeriesOptions& options,
                                         size_t blockSize = size_t{1} << 20);

// OpenSeries as an object, with missing tokens only.
class SeriesReader : public SeriesSource {
public:
    SeriesReader(const std::string& path, const std::vector<std::string>& gaugeIds,
                 const std::vector<std::string>& missingTokens);
    SeriesReader(std::FILE* file, const std::string& name, const std::vector<std::string>& gaugeIds,
                 const std::vector<std::string>& missingTokens, size_t blockSize = size_t{1} << 20);

    bool Next(SeriesStep& step) override { return source_->Next(step); }
    const std::vector<bool>& GaugesInFile() const override { return source_->GaugesInFile(); }

private:
    std::unique_ptr<SeriesSource> source_;
};

} // namespace thiessen
