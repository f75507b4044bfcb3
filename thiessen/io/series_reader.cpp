#include "thiessen/io/series_reader.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/input_file.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace thiessen {

struct SeriesReader::State {
    State(std::FILE* file, const std::string& name, bool owned, size_t blockSize = size_t{1} << 20)
        : reader(file, name, blockSize), file(owned ? file : nullptr)
    {
    }
    ~State()
    {
        if (file != nullptr)
            std::fclose(file);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void MapColumns(const std::vector<std::string>& gaugeIds);
    double Value(std::string_view text);
    bool IsMissingToken(std::string_view text) const;

    csv::Reader reader;
    std::FILE* file;             // closed at the end when the reader opened it
    std::vector<size_t> gaugeOf; // the gauge of each column after the time
    size_t gaugeCount = 0;
    std::vector<std::string> missingTokens;
};

namespace {

std::FILE* Open(const std::string& path)
{
    return OpenInputFile(path).release();
}

} // namespace

void SeriesReader::State::MapColumns(const std::vector<std::string>& gaugeIds)
{
    std::unordered_map<std::string_view, size_t> gaugeById;
    for (size_t i = 0; i < gaugeIds.size(); ++i)
        gaugeById.emplace(gaugeIds[i], i);
    gaugeCount = gaugeIds.size();

    const std::vector<std::string>& header = reader.ReadHeader();
    if (header.size() < 2)
        throw DataError(reader.Name(), 1, 0, {},
                        "no column after the time; expected columns named by gauge ids, "
                        "separated by commas or semicolons");
    std::vector<int> columnOf(gaugeIds.size(), 0);
    for (size_t i = 1; i < header.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        const auto gauge = gaugeById.find(header[i]);
        if (header[i].empty())
            reader.Fail(column, "a column without a name; expected a gauge id");
        if (gauge == gaugeById.end())
            reader.Fail(column, "no gauge has the id " + csv::Quote(header[i]));
        if (columnOf[gauge->second] != 0)
            reader.Fail(column, "a second column for the gauge " + csv::Quote(header[i]) +
                                    " (the first is column " +
                                    std::to_string(columnOf[gauge->second]) + ")");
        columnOf[gauge->second] = column;
        gaugeOf.push_back(gauge->second);
    }
}

bool SeriesReader::State::IsMissingToken(std::string_view text) const
{
    for (const std::string& token : missingTokens)
        if (text == token)
            return true;
    return false;
}

double SeriesReader::State::Value(std::string_view text)
{
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    if (text.empty())
        return kMissing;
    double value = 0;
    const csv::NumberStatus status = csv::ParseNumber(text, reader.DecimalComma(), value);
    if (status == csv::NumberStatus::Ok) {
        if (std::isnan(value) || IsMissingToken(text))
            return kMissing;
        if (std::isinf(value))
            reader.Fail("expected a finite number, not " + csv::Quote(text));
        if (value < 0)
            reader.Fail("a negative rainfall, " + csv::Quote(text) +
                        "; if it marks missing values, name it with --missing");
        return value + 0.0; // -0 is 0
    }
    if (IsMissingToken(text) || csv::EqualsIgnoringCase(text, "NA"))
        return kMissing;
    if (status == csv::NumberStatus::OutOfRange)
        reader.Fail("the number " + csv::Quote(text) + " is out of range");
    std::string missing = "an empty field, NA, NaN";
    for (const std::string& token : missingTokens)
        missing += ", " + token;
    reader.Fail("expected a number or a missing value (" + missing + "), not " + csv::Quote(text));
}

SeriesReader::SeriesReader(const std::string& path, const std::vector<std::string>& gaugeIds,
                           const std::vector<std::string>& missingTokens)
    : state_(std::make_unique<State>(Open(path), path, true))
{
    state_->missingTokens = missingTokens;
    state_->MapColumns(gaugeIds);
}

SeriesReader::SeriesReader(std::FILE* file, const std::string& name,
                           const std::vector<std::string>& gaugeIds,
                           const std::vector<std::string>& missingTokens, size_t blockSize)
    : state_(std::make_unique<State>(file, name, false, blockSize))
{
    state_->missingTokens = missingTokens;
    state_->MapColumns(gaugeIds);
}

SeriesReader::~SeriesReader() = default;

bool SeriesReader::Next(SeriesStep& step)
{
    State& state = *state_;
    csv::Reader& reader = state.reader;
    if (!reader.NextRecord())
        return false;
    step.line = reader.Line();
    step.time.assign(reader.Field());
    if (step.time.empty())
        reader.Fail("expected a time, found an empty field");
    step.values.assign(state.gaugeCount, std::numeric_limits<double>::quiet_NaN());
    for (const size_t gauge : state.gaugeOf)
        step.values[gauge] = state.Value(reader.Field());
    reader.EndRecord();
    return true;
}

} // namespace thiessen
