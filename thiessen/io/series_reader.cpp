#include "thiessen/io/series_reader.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/input_file.h"
#include "thiessen/io/long_series.h"
#include "thiessen/io/rainfall_field.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace thiessen {

namespace {

// Steps already read, handed over as a batch.
class StepsBatch : public SeriesBatch {
public:
    explicit StepsBatch(std::vector<SeriesStep> steps) : steps_(std::move(steps)) {}
    void ForEachStep(const std::function<void(const SeriesStep&)>& step) const override
    {
        for (const SeriesStep& one : steps_)
            step(one);
    }

private:
    std::vector<SeriesStep> steps_;
};

// What a wide series' columns hold, shared by every reader of its lines.
struct WideColumns {
    WideColumns(const SeriesOptions& options, size_t gaugeCount)
        : rainfall(options.missingTokens, options.traceTokens), gaugesInFile(gaugeCount)
    {
        const auto numeric = [](const std::string& token) {
            return !token.empty() && token.front() >= '0' && token.front() <= '9';
        };
        plainNumbers =
            std::none_of(options.missingTokens.begin(), options.missingTokens.end(), numeric) &&
            std::none_of(options.traceTokens.begin(), options.traceTokens.end(), numeric);
    }

    // Reads the reader's next line as a step; false at the end.
    bool Read(csv::Reader& reader, SeriesStep& step) const
    {
        if (!reader.NextRecord())
            return false;
        step.line = reader.Line();
        step.time.assign(reader.Field());
        if (step.time.empty())
            reader.Fail("expected a time, found an empty field");
        step.values.assign(gaugesInFile.size(), std::numeric_limits<double>::quiet_NaN());
        double value = 0;
        for (const size_t gauge : gaugeOf)
            step.values[gauge] = plainNumbers && reader.PlainNumber(value)
                                     ? value
                                     : rainfall.Read(reader, reader.Field());
        reader.EndRecord();
        return true;
    }

    RainfallField rainfall;
    std::vector<size_t> gaugeOf; // the gauge of each column after the time
    std::vector<bool> gaugesInFile;
    bool plainNumbers; // no token reads as a number: plain numbers are rainfall
};

// Lines of a wide series, read on whichever thread reads the batch.
class LinesBatch : public SeriesBatch {
public:
    LinesBatch(csv::Reader reader, std::shared_ptr<const WideColumns> columns)
        : reader_(std::move(reader)), columns_(std::move(columns))
    {
    }
    void ForEachStep(const std::function<void(const SeriesStep&)>& step) const override
    {
        SeriesStep one;
        while (columns_->Read(reader_, one))
            step(one);
    }

private:
    mutable csv::Reader reader_; // read once
    std::shared_ptr<const WideColumns> columns_;
};

// A series in wide form, read a line at a time.
class WideSeries : public SeriesSource {
public:
    // Takes the reader after its header, and the file when it is to close it.
    WideSeries(InputFile file, csv::Reader reader, const std::vector<std::string>& gaugeIds,
               const SeriesOptions& options);

    bool Next(SeriesStep& step) override { return columns_->Read(reader_, step); }
    std::unique_ptr<SeriesBatch> NextBatch(size_t bytes) override;
    const std::vector<bool>& GaugesInFile() const override { return columns_->gaugesInFile; }

private:
    void MapColumns(const std::vector<std::string>& gaugeIds, WideColumns& columns);

    InputFile file_;
    csv::Reader reader_;
    std::shared_ptr<const WideColumns> columns_;
};

WideSeries::WideSeries(InputFile file, csv::Reader reader, const std::vector<std::string>& gaugeIds,
                       const SeriesOptions& options)
    : file_(std::move(file)), reader_(std::move(reader))
{
    auto columns = std::make_shared<WideColumns>(options, gaugeIds.size());
    MapColumns(gaugeIds, *columns);
    columns_ = std::move(columns);
}

std::unique_ptr<SeriesBatch> WideSeries::NextBatch(size_t bytes)
{
    csv::Reader::Lines lines;
    if (!reader_.TakeLines(lines, bytes))
        return nullptr;
    return std::make_unique<LinesBatch>(csv::Reader(std::move(lines), reader_), columns_);
}

void WideSeries::MapColumns(const std::vector<std::string>& gaugeIds, WideColumns& columns)
{
    std::unordered_map<std::string_view, size_t> gaugeById;
    for (size_t i = 0; i < gaugeIds.size(); ++i)
        gaugeById.emplace(gaugeIds[i], i);

    const std::vector<std::string>& header = reader_.Header();
    if (header.size() < 2)
        throw DataError(reader_.Name(), 1, 0, {},
                        "no column after the time; expected columns named by gauge ids, or "
                        "columns for the gauge, the time and the value, separated by commas, "
                        "semicolons or tabs");
    std::vector<int> columnOf(gaugeIds.size(), 0);
    for (size_t i = 1; i < header.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        const auto gauge = gaugeById.find(header[i]);
        if (header[i].empty())
            reader_.Fail(column, "a column without a name; expected a gauge id");
        if (gauge == gaugeById.end())
            reader_.Fail(column, "no gauge has the id " + csv::Quote(header[i]));
        if (columnOf[gauge->second] != 0)
            reader_.Fail(column, "a second column for the gauge " + csv::Quote(header[i]) +
                                     " (the first is column " +
                                     std::to_string(columnOf[gauge->second]) + ")");
        columnOf[gauge->second] = column;
        columns.gaugeOf.push_back(gauge->second);
        columns.gaugesInFile[gauge->second] = true;
    }
}

std::unique_ptr<SeriesSource> Open(InputFile owned, std::FILE* file, const std::string& name,
                                   const std::vector<std::string>& gaugeIds,
                                   const SeriesOptions& options, size_t blockSize)
{
    csv::Reader reader(file, name, blockSize);
    reader.ReadHeader();
    if (const std::optional<LongColumns> columns = FindLongColumns(reader, gaugeIds))
        return ReadLongSeries(reader, *columns, gaugeIds, options);
    return std::make_unique<WideSeries>(std::move(owned), std::move(reader), gaugeIds, options);
}

} // namespace

std::unique_ptr<SeriesBatch> SeriesSource::NextBatch(size_t bytes)
{
    // Steps already in memory: about a value's worth of bytes each.
    std::vector<SeriesStep> steps;
    size_t taken = 0;
    for (SeriesStep step; taken < bytes && Next(step); taken += 8 * step.values.size() + 1)
        steps.push_back(step);
    if (steps.empty())
        return nullptr;
    return std::make_unique<StepsBatch>(std::move(steps));
}

std::unique_ptr<SeriesSource> OpenSeries(const std::string& path,
                                         const std::vector<std::string>& gaugeIds,
                                         const SeriesOptions& options)
{
    InputFile file = OpenInputFile(path);
    std::FILE* const open = file.get();
    return Open(std::move(file), open, path, gaugeIds, options, size_t{1} << 20);
}

std::unique_ptr<SeriesSource> OpenSeries(std::FILE* file, const std::string& name,
                                         const std::vector<std::string>& gaugeIds,
                                         const SeriesOptions& options, size_t blockSize)
{
    return Open(InputFile(nullptr, &std::fclose), file, name, gaugeIds, options, blockSize);
}

SeriesReader::SeriesReader(const std::string& path, const std::vector<std::string>& gaugeIds,
                           const std::vector<std::string>& missingTokens)
    : source_(OpenSeries(path, gaugeIds, {missingTokens, {}}))
{
}

SeriesReader::SeriesReader(std::FILE* file, const std::string& name,
                           const std::vector<std::string>& gaugeIds,
                           const std::vector<std::string>& missingTokens, size_t blockSize)
    : source_(OpenSeries(file, name, gaugeIds, {missingTokens, {}}, blockSize))
{
}

} // namespace thiessen
