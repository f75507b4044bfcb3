#include "thiessen/io/series_reader.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/input_file.h"
#include "thiessen/io/long_series.h"
#include "thiessen/io/rainfall_field.h"

#include <limits>
#include <unordered_map>

namespace thiessen {

namespace {

// A series in wide form, read a line at a time.
class WideSeries : public SeriesSource {
public:
    // Takes the reader after its header, and the file when it is to close it.
    WideSeries(InputFile file, csv::Reader reader, const std::vector<std::string>& gaugeIds,
               const SeriesOptions& options);

    bool Next(SeriesStep& step) override;
    const std::vector<bool>& GaugesInFile() const override { return gaugesInFile_; }

private:
    void MapColumns(const std::vector<std::string>& gaugeIds);

    InputFile file_;
    csv::Reader reader_;
    RainfallField rainfall_;
    std::vector<size_t> gaugeOf_; // the gauge of each column after the time
    std::vector<bool> gaugesInFile_;
};

WideSeries::WideSeries(InputFile file, csv::Reader reader, const std::vector<std::string>& gaugeIds,
                       const SeriesOptions& options)
    : file_(std::move(file)), reader_(std::move(reader)),
      rainfall_(options.missingTokens, options.traceTokens), gaugesInFile_(gaugeIds.size())
{
    MapColumns(gaugeIds);
}

void WideSeries::MapColumns(const std::vector<std::string>& gaugeIds)
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
        gaugeOf_.push_back(gauge->second);
        gaugesInFile_[gauge->second] = true;
    }
}

bool WideSeries::Next(SeriesStep& step)
{
    if (!reader_.NextRecord())
        return false;
    step.line = reader_.Line();
    step.time.assign(reader_.Field());
    if (step.time.empty())
        reader_.Fail("expected a time, found an empty field");
    step.values.assign(gaugesInFile_.size(), std::numeric_limits<double>::quiet_NaN());
    for (const size_t gauge : gaugeOf_)
        step.values[gauge] = rainfall_.Read(reader_, reader_.Field());
    reader_.EndRecord();
    return true;
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
