#include "thiessen/command/series_run.h"

#include "thiessen/study/catchment_rainfall.h"

#include <cmath>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <utility>

namespace thiessen {

void SeriesNotes::Count(const SeriesStep& step, bool reported, bool insideReported)
{
    if (!reported && emptySteps++ == 0)
        firstEmptyLine = step.line;
    if (reported && !insideReported && outsideSteps++ == 0) {
        firstOutsideLine = step.line;
        firstOutsideTime = step.time;
    }
}

void SeriesNotes::Add(const SeriesNotes& later)
{
    if (emptySteps == 0)
        firstEmptyLine = later.firstEmptyLine;
    if (outsideSteps == 0) {
        firstOutsideLine = later.firstOutsideLine;
        firstOutsideTime = later.firstOutsideTime;
    }
    emptySteps += later.emptySteps;
    outsideSteps += later.outsideSteps;
}

std::string SeriesNotes::Text(const std::string& name) const
{
    std::string text;
    const auto plural = [](long count) { return count == 1 ? "" : "s"; };
    if (emptySteps > 0)
        text += "thiessen: " + name + ": no gauge reported at " + std::to_string(emptySteps) +
                " step" + plural(emptySteps) + " (the first on line " +
                std::to_string(firstEmptyLine) + "); the rainfall of " +
                (emptySteps == 1 ? "that step" : "those steps") + " is left empty\n";
    if (outsideSteps > 0)
        text += "thiessen: " + name + ": at " + std::to_string(outsideSteps) + " step" +
                plural(outsideSteps) + " (the first on line " + std::to_string(firstOutsideLine) +
                ", " + firstOutsideTime +
                ") only gauges outside the catchment reported, so the rainfall there comes "
                "from outside it\n";
    return text;
}

namespace {

// What one batch came to: its lines of CSV, its notes, and the fault that
// stopped it, if one did.
struct BatchResult {
    std::string csv;
    std::size_t steps = 0;
    SeriesNotes notes;
    std::exception_ptr fault;
};

// The rainfall of one batch's steps. Each thread of the run has its own
// worker, whose cache outlives the batch.
class Worker {
public:
    Worker(const Catchment& catchment, const std::vector<bool>& inside, const SeriesOutput& output)
        : rainfall_(catchment.diagram->Unclipped(), catchment.Basins()), inside_(inside),
          output_(output)
    {
    }

    BatchResult Compute(const SeriesBatch& batch)
    {
        BatchResult result;
        try {
            batch.ForEachStep([&](const SeriesStep& step) { Add(step, result); });
        } catch (...) {
            result.fault = std::current_exception();
        }
        return result;
    }

private:
    void Add(const SeriesStep& step, BatchResult& result)
    {
        rainfall_.Compute(step.values, steps_);
        bool insideReported = false;
        for (std::size_t i = 0; i < inside_.size() && !insideReported; ++i)
            insideReported = inside_[i] && !std::isnan(step.values[i]);
        result.notes.Count(step, steps_.front().reporting > 0, insideReported);
        AppendSeriesCsv(result.csv, output_.layout, output_.basins, step.time, steps_);
        ++result.steps;
    }

    BasinRainfall rainfall_;
    const std::vector<bool>& inside_;
    const SeriesOutput& output_;
    std::vector<StepRainfall> steps_;
};

void Print(std::FILE* out, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

} // namespace

SeriesNotes WriteSeries(SeriesSource& source, const Catchment& catchment,
                        const std::vector<bool>& inside, const SeriesOutput& output,
                        unsigned threads, std::FILE* out)
{
    // Large enough that starting a batch costs little, small enough that a
    // few in memory cost little either.
    constexpr std::size_t kBatchBytes = std::size_t{4} << 20;
    const std::size_t slots = std::max(threads, 1u);
    std::vector<std::unique_ptr<Worker>> workers;
    for (std::size_t k = 0; k < slots; ++k)
        workers.push_back(std::make_unique<Worker>(catchment, inside, output));

    SeriesNotes notes;
    // The header comes with the first step, so that a file refused at its
    // first line leaves no output.
    bool headerWritten = false;
    const auto write = [&](BatchResult result) {
        if (result.steps > 0 && !std::exchange(headerWritten, true))
            Print(out, SeriesCsvHeader(output.layout, output.basins));
        Print(out, result.csv);
        notes.Add(result.notes);
        if (result.fault)
            std::rethrow_exception(result.fault);
    };
    // A worker serves one batch at a time: batch n goes to worker n % slots,
    // whose previous batch was written before.
    std::deque<std::future<BatchResult>> running;
    const auto writeOldest = [&] {
        BatchResult result = running.front().get();
        running.pop_front();
        write(std::move(result));
    };
    for (std::size_t taken = 0;; ++taken) {
        if (running.size() == slots)
            writeOldest();
        std::shared_ptr<SeriesBatch> batch;
        try {
            batch = source.NextBatch(kBatchBytes);
        } catch (...) {
            // The batches before a fault in reading stand.
            while (!running.empty())
                writeOldest();
            throw;
        }
        if (!batch)
            break;
        Worker& worker = *workers[taken % slots];
        running.push_back(std::async(threads > 1 ? std::launch::async : std::launch::deferred,
                                     [&worker, batch] { return worker.Compute(*batch); }));
    }
    while (!running.empty())
        writeOldest();
    if (!headerWritten)
        Print(out, SeriesCsvHeader(output.layout, output.basins));
    return notes;
}

} // namespace thiessen
