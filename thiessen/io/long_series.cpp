#include "thiessen/io/long_series.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/rainfall_field.h"

#include <algorithm>
#include <chrono>
#include <compare>
#include <cstdint>
#include <deque>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace thiessen {

namespace {

const csv::ColumnNames kTimeNames = {{"time", "date", "datetime", "timestamp"}};
const csv::ColumnNames kValueNames = {{"value", "rainfall", "precipitation", "prcp"}};

// An instant to the nanosecond, as an ISO 8601 time gives it.
struct Instant {
    long long seconds = 0; // since 1970-01-01 00:00, or its local equivalent
    long nanoseconds = 0;
    bool hasOffset = false; // Z or ±hh:mm: the seconds are UTC's

    auto operator<=>(const Instant& other) const = default;
};

bool ReadDigits(std::string_view text, size_t at, size_t count, int& value)
{
    if (text.size() < at + count)
        return false;
    value = 0;
    for (const char c : text.substr(at, count)) {
        if (c < '0' || c > '9')
            return false;
        value = 10 * value + (c - '0');
    }
    return true;
}

// Reads hh:mm, false when text has something else.
bool ReadHoursAndMinutes(std::string_view text, size_t at, int& hours, int& minutes)
{
    return ReadDigits(text, at, 2, hours) && text.size() > at + 2 && text[at + 2] == ':' &&
           ReadDigits(text, at + 3, 2, minutes) && hours < 24 && minutes < 60;
}

// The seconds' fraction after their decimal sign in text, which it removes;
// false when it has more digits than nanoseconds.
bool ReadFraction(std::string_view& text, long& nanoseconds)
{
    if (text.empty() || (text.front() != '.' && text.front() != ','))
        return true;
    size_t digits = 1;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    --digits;
    if (digits == 0 || digits > 9)
        return false;
    nanoseconds = 0;
    for (size_t i = 1; i <= 9; ++i)
        nanoseconds = 10 * nanoseconds + (i <= digits ? text[i] - '0' : 0);
    text.remove_prefix(digits + 1);
    return true;
}

// The instant of an ISO 8601 date (2026-05-01), or a date and a time
// (2026-05-01T09:30, 2026-05-01 09:30:15.25+10:00, 2026-04-30T23:30Z);
// nothing for any other text.
std::optional<Instant> ReadIsoTime(std::string_view text)
{
    int year = 0, month = 0, day = 0;
    if (!ReadDigits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
        !ReadDigits(text, 5, 2, month) || !ReadDigits(text, 8, 2, day))
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok())
        return std::nullopt;
    Instant instant;
    instant.seconds = std::chrono::sys_days(date).time_since_epoch().count() * 86400LL;
    text.remove_prefix(10);
    if (text.empty())
        return instant;
    int hours = 0, minutes = 0, seconds = 0;
    if ((text[0] != 'T' && text[0] != 't' && text[0] != ' ') ||
        !ReadHoursAndMinutes(text, 1, hours, minutes))
        return std::nullopt;
    text.remove_prefix(6);
    if (!text.empty() && text[0] == ':') {
        if (!ReadDigits(text, 1, 2, seconds) || seconds > 59)
            return std::nullopt;
        text.remove_prefix(3);
        if (!ReadFraction(text, instant.nanoseconds))
            return std::nullopt;
    }
    instant.seconds += 3600LL * hours + 60 * minutes + seconds;
    if (text.empty())
        return instant;
    instant.hasOffset = true;
    if (text == "Z" || text == "z")
        return instant;
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') ||
        !ReadHoursAndMinutes(text, 1, hours, minutes))
        return std::nullopt;
    const long long offset = 3600LL * hours + 60 * minutes;
    instant.seconds -= text[0] == '+' ? offset : -offset;
    return instant;
}

// The line of each value, from the places where lines stop following values
// one for one (after a quoted field over several lines): a few numbers for
// any file.
class ValueLines {
public:
    void Add(size_t value, long line)
    {
        if (starts_.empty() || LineOf(value) != line)
            starts_.push_back({value, line});
    }
    long LineOf(size_t value) const
    {
        const auto after =
            std::upper_bound(starts_.begin(), starts_.end(), value,
                             [](size_t wanted, const std::pair<size_t, long>& start) {
                                 return wanted < start.first;
                             });
        const auto& [first, line] = *std::prev(after);
        return line + static_cast<long>(value - first);
    }

private:
    std::vector<std::pair<size_t, long>> starts_; // a value and its line
};

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

class LongSeries : public SeriesSource {
public:
    LongSeries(csv::Reader& reader, const LongColumns& columns,
               const std::vector<std::string>& gaugeIds, const SeriesOptions& options);

    bool Next(SeriesStep& step) override;
    const std::vector<bool>& GaugesInFile() const override { return gaugesInFile_; }

private:
    // A value of the file, with its time as an index into times_.
    struct Value {
        double rainfall;
        uint32_t gauge;
        uint32_t time;
    };

    void Read(csv::Reader& reader, const LongColumns& columns,
              const std::vector<std::string>& gaugeIds, const SeriesOptions& options);
    uint32_t GaugeOf(const csv::Reader& reader, std::string_view id);
    uint32_t TimeOf(const csv::Reader& reader, std::string_view time);
    std::vector<uint32_t> MakeSteps();
    void SortBySteps(const std::vector<uint32_t>& stepOfTime);
    void RefuseSecondValues(const csv::Reader& reader, const LongColumns& columns,
                            const std::vector<std::string>& gaugeIds) const;

    std::deque<Value> values_; // in the file's order; never moved, as a vector's would be
    ValueLines lines_;
    // The times as written, numbered in the order they first appear.
    std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>> timeNumbers_;
    std::vector<std::string_view> times_; // the keys of timeNumbers_
    std::unordered_map<std::string_view, uint32_t> gaugeById_;
    std::vector<bool> gaugesInFile_;
    std::vector<uint32_t> stepTimes_; // each step's time as written first
    std::vector<size_t> stepStarts_;  // where each step's values start in order_, and the end
    std::vector<uint32_t> order_;     // the values by step, in the file's order within one
    size_t next_ = 0;                 // the next step
    // The last gauge and time read, for the runs of one or the other.
    std::string_view lastId_; // while reading: in the caller's ids
    uint32_t lastGauge_ = 0;
    uint32_t lastTime_ = std::numeric_limits<uint32_t>::max();
};

LongSeries::LongSeries(csv::Reader& reader, const LongColumns& columns,
                       const std::vector<std::string>& gaugeIds, const SeriesOptions& options)
    : gaugesInFile_(gaugeIds.size())
{
    Read(reader, columns, gaugeIds, options);
    SortBySteps(MakeSteps());
    RefuseSecondValues(reader, columns, gaugeIds);
}

void LongSeries::Read(csv::Reader& reader, const LongColumns& columns,
                      const std::vector<std::string>& gaugeIds, const SeriesOptions& options)
{
    for (size_t i = 0; i < gaugeIds.size(); ++i)
        gaugeById_.emplace(gaugeIds[i], static_cast<uint32_t>(i));
    const RainfallField rainfall(options.missingTokens, options.traceTokens);
    const int columnCount = static_cast<int>(reader.Header().size());
    while (reader.NextRecord()) {
        // Values are numbered in 32 bits; so many would need 64 GB anyway.
        if (values_.size() == std::numeric_limits<uint32_t>::max())
            reader.Fail(0, "more values than a series in long form can have, 4294967295");
        lines_.Add(values_.size(), reader.Line());
        Value value{};
        for (int column = 1; column <= columnCount; ++column) {
            const std::string_view text = reader.Field();
            if (column == columns.gauge)
                value.gauge = GaugeOf(reader, text);
            else if (column == columns.time)
                value.time = TimeOf(reader, text);
            else if (column == columns.value)
                value.rainfall = rainfall.Read(reader, text);
        }
        reader.EndRecord();
        values_.push_back(value);
    }
    gaugeById_.clear();
    lastId_ = {};
}

uint32_t LongSeries::GaugeOf(const csv::Reader& reader, std::string_view id)
{
    if (!lastId_.empty() && id == lastId_)
        return lastGauge_;
    const auto gauge = gaugeById_.find(id);
    if (id.empty())
        reader.Fail("expected a gauge id, found an empty field");
    if (gauge == gaugeById_.end())
        reader.Fail("no gauge has the id " + csv::Quote(id));
    gaugesInFile_[gauge->second] = true;
    lastId_ = gauge->first;
    return lastGauge_ = gauge->second;
}

uint32_t LongSeries::TimeOf(const csv::Reader& reader, std::string_view time)
{
    if (lastTime_ < times_.size() && times_[lastTime_] == time)
        return lastTime_;
    if (time.empty())
        reader.Fail("expected a time, found an empty field");
    auto found = timeNumbers_.find(time);
    if (found == timeNumbers_.end()) {
        found = timeNumbers_.emplace(time, static_cast<uint32_t>(times_.size())).first;
        times_.push_back(found->first);
    }
    return lastTime_ = found->second;
}

// Numbers the steps, and gives the step of each time as written.
std::vector<uint32_t> LongSeries::MakeSteps()
{
    std::vector<uint32_t> stepOfTime(times_.size());
    std::vector<Instant> instants;
    for (const std::string_view time : times_) {
        const std::optional<Instant> instant = ReadIsoTime(time);
        if (!instant || (!instants.empty() && instant->hasOffset != instants[0].hasOffset))
            break;
        instants.push_back(*instant);
    }
    if (instants.size() < times_.size()) {
        std::iota(stepOfTime.begin(), stepOfTime.end(), 0);
        stepTimes_ = stepOfTime;
        return stepOfTime;
    }
    std::vector<uint32_t> byInstant(times_.size());
    std::iota(byInstant.begin(), byInstant.end(), 0);
    std::stable_sort(byInstant.begin(), byInstant.end(),
                     [&](uint32_t a, uint32_t b) { return instants[a] < instants[b]; });
    for (size_t i = 0; i < byInstant.size(); ++i) {
        if (i == 0 || instants[byInstant[i]] != instants[byInstant[i - 1]])
            stepTimes_.push_back(byInstant[i]);
        stepOfTime[byInstant[i]] = static_cast<uint32_t>(stepTimes_.size() - 1);
    }
    return stepOfTime;
}

// Orders the values by step, keeping the file's order within a step.
void LongSeries::SortBySteps(const std::vector<uint32_t>& stepOfTime)
{
    stepStarts_.assign(stepTimes_.size() + 1, 0);
    for (const Value& value : values_)
        ++stepStarts_[stepOfTime[value.time] + 1];
    std::partial_sum(stepStarts_.begin(), stepStarts_.end(), stepStarts_.begin());
    std::vector<size_t> next(stepStarts_.begin(), stepStarts_.end() - 1);
    order_.resize(values_.size());
    for (size_t i = 0; i < values_.size(); ++i)
        order_[next[stepOfTime[values_[i].time]]++] = static_cast<uint32_t>(i);
}

// Refuses a gauge's second value in a step, naming the first such value in
// the file.
void LongSeries::RefuseSecondValues(const csv::Reader& reader, const LongColumns& columns,
                                    const std::vector<std::string>& gaugeIds) const
{
    constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();
    std::vector<size_t> stepSeen(gaugesInFile_.size(), stepTimes_.size()); // the last step
    std::vector<uint32_t> valueSeen(gaugesInFile_.size());                 // and its value
    uint32_t first = kNone, second = kNone;
    for (size_t step = 0; step < stepTimes_.size(); ++step) {
        for (size_t i = stepStarts_[step]; i < stepStarts_[step + 1]; ++i) {
            const uint32_t gauge = values_[order_[i]].gauge;
            if (stepSeen[gauge] != step) {
                stepSeen[gauge] = step;
                valueSeen[gauge] = order_[i];
            } else if (order_[i] < second) {
                first = valueSeen[gauge];
                second = order_[i];
            }
        }
    }
    if (second == kNone)
        return;
    const Value& value = values_[second];
    throw DataError(reader.Name(), lines_.LineOf(second), columns.value,
                    csv::Shown(reader.Header()[columns.value - 1]),
                    "a second value for the gauge " + csv::Quote(gaugeIds[value.gauge]) + " at " +
                        csv::Shown(times_[value.time]) + " (the first is on line " +
                        std::to_string(lines_.LineOf(first)) + ")");
}

bool LongSeries::Next(SeriesStep& step)
{
    if (next_ == stepTimes_.size())
        return false;
    const size_t begin = stepStarts_[next_];
    const size_t end = stepStarts_[next_ + 1];
    step.time.assign(times_[stepTimes_[next_]]);
    step.line = lines_.LineOf(order_[begin]);
    step.values.assign(gaugesInFile_.size(), std::numeric_limits<double>::quiet_NaN());
    for (size_t i = begin; i < end; ++i)
        step.values[values_[order_[i]].gauge] = values_[order_[i]].rainfall;
    ++next_;
    return true;
}

} // namespace

std::optional<LongColumns> FindLongColumns(const csv::Reader& reader,
                                           const std::vector<std::string>& gaugeIds)
{
    const std::vector<std::string>& header = reader.Header();
    const csv::NamedColumn gauge = csv::FindColumn(header, GaugeIdNames());
    const csv::NamedColumn time = csv::FindColumn(header, kTimeNames);
    const csv::NamedColumn value = csv::FindColumn(header, kValueNames);
    if (gauge.column == 0 || time.column == 0 || value.column == 0)
        return std::nullopt;
    const std::unordered_set<std::string_view> ids(gaugeIds.begin(), gaugeIds.end());
    if (std::all_of(header.begin() + 1, header.end(),
                    [&](const std::string& name) { return ids.contains(name); }))
        return std::nullopt;
    for (const auto& [found, what] : {std::pair(gauge, "the gauge ids"),
                                      std::pair(time, "the time"), std::pair(value, "the values")})
        if (found.rival != 0)
            throw DataError(reader.Name(), 1, found.rival, csv::Shown(header[found.rival - 1]),
                            std::string("a second column for ") + what + " (the first is column " +
                                std::to_string(found.column) + ", " +
                                csv::Quote(header[found.column - 1]) + ")");
    return LongColumns{gauge.column, time.column, value.column};
}

std::unique_ptr<SeriesSource> ReadLongSeries(csv::Reader& reader, const LongColumns& columns,
                                             const std::vector<std::string>& gaugeIds,
                                             const SeriesOptions& options)
{
    return std::make_unique<LongSeries>(reader, columns, gaugeIds, options);
}

} // namespace thiessen
