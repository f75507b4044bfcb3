#include "thiessen/io/gauges.h"

#include "thiessen/base/data_error.h"
#include "thiessen/base/text.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/input_file.h"
#include "thiessen/io/long_series.h"
#include "thiessen/io/vector_source.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace thiessen {

namespace {

// Where the header puts the columns a gauge needs, counting from 1; 0 when
// it has no such column.
struct Columns {
    int id = 0;
    int x = 0;
    int y = 0;
    bool geographic = false;
};

const csv::ColumnNames kXNames = {{"x", "easting"}};
const csv::ColumnNames kYNames = {{"y", "northing"}};
const csv::ColumnNames kLonNames = {{"lon", "long", "longitude"}};
const csv::ColumnNames kLatNames = {{"lat", "latitude"}};

// The column named by names; 0 when there is none. Refuses two columns of
// the same tier, for what, with a hint.
int FindColumn(const csv::Reader& reader, const csv::ColumnNames& names, const std::string& what,
               const std::string& hint = {})
{
    const std::vector<std::string>& header = reader.Header();
    const csv::NamedColumn found = csv::FindColumn(header, names);
    if (found.rival != 0)
        throw DataError(reader.Name(), 1, found.rival, header[found.rival - 1],
                        "a second column for " + what + " (the first is column " +
                            std::to_string(found.column) + ", " +
                            csv::Quote(header[found.column - 1]) + ")" + hint);
    return found.column;
}

// The column of the ids: the one named idField when it is given.
int FindIdColumn(const csv::Reader& reader, const std::string& idField)
{
    if (idField.empty())
        return FindColumn(reader, GaugeIdNames(), "the gauge ids", "; choose one with --id");
    const int id = FindColumn(reader, {{idField}}, "the gauge ids");
    if (id == 0)
        throw DataError(reader.Name(), 1, 0, {},
                        "no column named " + csv::Quote(idField) + ", as --id has it");
    return id;
}

Columns FindColumns(const csv::Reader& reader, const std::string& idField)
{
    const int id = FindIdColumn(reader, idField);
    const int x = FindColumn(reader, kXNames, "x");
    const int y = FindColumn(reader, kYNames, "y");
    const int lon = FindColumn(reader, kLonNames, "the longitude");
    const int lat = FindColumn(reader, kLatNames, "the latitude");
    const bool planar = x != 0 || y != 0;
    const bool geographic = lon != 0 || lat != 0;
    if (planar && geographic)
        throw DataError(reader.Name(), 1, 0, {},
                        "the header names both x, y and lon, lat; expected one pair");
    const csv::ColumnNames* missing = nullptr;
    if (id == 0)
        missing = &GaugeIdNames();
    else if (geographic)
        missing = lon == 0 ? &kLonNames : lat == 0 ? &kLatNames : nullptr;
    else
        missing = x == 0 ? &kXNames : y == 0 ? &kYNames : nullptr;
    if (missing != nullptr)
        throw DataError(reader.Name(), 1, 0, {},
                        "no column named " + csv::NameList(*missing) +
                            "; expected a header with id, x, y (planar coordinates) or id, lon, "
                            "lat (degrees)");
    const Columns columns = geographic ? Columns{id, lon, lat, true} : Columns{id, x, y, false};
    if (id == columns.x || id == columns.y)
        throw DataError(reader.Name(), 1, id, reader.Header()[id - 1],
                        "the column of the ids, as --id has it, holds a coordinate");
    return columns;
}

double ReadCoordinate(csv::Reader& reader, std::string_view text)
{
    double value = 0;
    switch (csv::ParseNumber(text, reader.DecimalComma(), value)) {
    case csv::NumberStatus::NotANumber:
        reader.Fail(text.empty() ? std::string("expected a number, found an empty field")
                                 : "expected a number, not " + csv::Quote(text));
    case csv::NumberStatus::OutOfRange:
        reader.Fail("the number " + csv::Quote(text) + " is out of range");
    case csv::NumberStatus::Ok:
        break;
    }
    if (!std::isfinite(value))
        reader.Fail("expected a finite number, not " + csv::Quote(text));
    return value;
}

void CheckRange(csv::Reader& reader, std::string_view text, double value, double limit,
                const char* what)
{
    if (std::fabs(value) > limit)
        reader.Fail(std::string(what) + " must be between -" + std::to_string(int(limit)) +
                    " and " + std::to_string(int(limit)) + ", not " + csv::Quote(text));
}

Gauge ReadGauge(csv::Reader& reader, const Columns& columns)
{
    Gauge gauge;
    gauge.line = reader.Line();
    const int count = static_cast<int>(reader.Header().size());
    for (int column = 1; column <= count; ++column) {
        const std::string_view text = reader.Field();
        if (column == columns.id) {
            if (text.empty())
                reader.Fail("expected a gauge id, found an empty field");
            gauge.id = text;
        } else if (column == columns.x) {
            gauge.x = ReadCoordinate(reader, text);
            if (columns.geographic)
                CheckRange(reader, text, gauge.x, 180, "a longitude");
        } else if (column == columns.y) {
            gauge.y = ReadCoordinate(reader, text);
            if (columns.geographic)
                CheckRange(reader, text, gauge.y, 90, "a latitude");
        }
    }
    reader.EndRecord();
    return gauge;
}

void CheckDistinctIds(const std::string& name, const GaugeTable& table, int idColumn,
                      const std::string& idName)
{
    std::unordered_map<std::string_view, long> lines;
    for (const Gauge& gauge : table.gauges) {
        const auto [first, added] = lines.emplace(gauge.id, gauge.line);
        if (added)
            continue;
        if (table.fromLayer)
            throw DataError(name, "feature " + std::to_string(gauge.line) + ": the id " +
                                      csv::Quote(gauge.id) + " is already used by feature " +
                                      std::to_string(first->second));
        throw DataError(name, gauge.line, idColumn, idName,
                        "the id " + csv::Quote(gauge.id) + " is already used on line " +
                            std::to_string(first->second));
    }
}

// The place of a gauge, the same for every way of writing it: -0 is 0, and
// on the globe longitude -180 is 180 and a pole is one point.
std::pair<double, double> Place(const Gauge& gauge, bool geographic)
{
    double x = gauge.x + 0.0;
    if (geographic && (x == -180 || std::fabs(gauge.y) == 90))
        x = std::fabs(gauge.y) == 90 ? 0 : 180;
    return {x, gauge.y + 0.0};
}

// Refuses two gauges at the same place, naming the pair whose second gauge
// comes first in the file.
void CheckDistinctPlaces(const std::string& name, const GaugeTable& table)
{
    const std::vector<Gauge>& gauges = table.gauges;
    const bool geographic = table.geographic;
    std::vector<const Gauge*> byPlace;
    for (const Gauge& gauge : gauges)
        byPlace.push_back(&gauge);
    std::sort(byPlace.begin(), byPlace.end(), [&](const Gauge* a, const Gauge* b) {
        return std::pair(Place(*a, geographic), a->line) <
               std::pair(Place(*b, geographic), b->line);
    });
    const Gauge* first = nullptr;
    const Gauge* second = nullptr;
    for (size_t i = 1; i < byPlace.size(); ++i) {
        if (Place(*byPlace[i - 1], geographic) != Place(*byPlace[i], geographic))
            continue;
        // In a run of gauges at one place, the first two in the file.
        if (i >= 2 && Place(*byPlace[i - 2], geographic) == Place(*byPlace[i], geographic))
            continue;
        if (second == nullptr || byPlace[i]->line < second->line) {
            first = byPlace[i - 1];
            second = byPlace[i];
        }
    }
    if (second == nullptr)
        return;
    const std::string record = table.fromLayer ? "feature " : "line ";
    const std::string problem =
        "gauges " + csv::Quote(second->id) + " (" + record + std::to_string(second->line) +
        ") and " + csv::Quote(first->id) + " (" + record + std::to_string(first->line) +
        ") are at the same place (" + NumberText(second->x) + ", " + NumberText(second->y) + ")";
    if (table.fromLayer)
        throw DataError(name, problem);
    throw DataError(name, second->line, 0, {}, problem);
}

GaugeTable Read(csv::Reader& reader, const std::string& idField)
{
    reader.ReadHeader();
    const Columns columns = FindColumns(reader, idField);
    GaugeTable table;
    table.geographic = columns.geographic;
    if (table.geographic)
        table.system = CoordinateSystem::Wgs84();
    while (reader.NextRecord())
        table.gauges.push_back(ReadGauge(reader, columns));
    if (table.gauges.empty())
        throw DataError(reader.Name(),
                        "the file has no gauges; expected a line for each gauge after the "
                        "header");
    CheckDistinctIds(reader.Name(), table, columns.id, reader.Header()[columns.id - 1]);
    CheckDistinctPlaces(reader.Name(), table);
    return table;
}

GaugeTable ReadLayer(const std::string& path, const GaugeSource& source)
{
    PointLayer layer = ReadPointLayer(path, source.layer, source.idField);
    GaugeTable table;
    table.system = layer.system;
    table.geographic = layer.system.Geographic();
    table.fromLayer = true;
    for (PointFeature& point : layer.points)
        table.gauges.push_back({std::move(point.id), point.place.x, point.place.y, point.number});
    CheckDistinctIds(path, table, 0, layer.idField);
    CheckDistinctPlaces(path, table);
    return table;
}

} // namespace

const csv::ColumnNames& GaugeIdNames()
{
    static const csv::ColumnNames names = {
        {"id"}, {"station", "gauge", "code", "station_id", "gauge_id"}, {"name"}};
    return names;
}

GaugeTable ReadGauges(const std::string& path, const GaugeSource& source)
{
    if (IsVectorFile(path))
        return ReadLayer(path, source);
    const InputFile file = OpenInputFile(path);
    csv::Reader reader(file.get(), path);
    return Read(reader, source.idField);
}

GaugeTable ParseGauges(std::string_view text, const std::string& name, const std::string& idField)
{
    csv::Reader reader(text, name);
    return Read(reader, idField);
}

bool IsGaugesTable(const std::string& path)
{
    try {
        const InputFile file = OpenInputFile(path);
        csv::Reader reader(file.get(), path, 1 << 16);
        const std::vector<std::string>& header = reader.ReadHeader();
        const auto has = [&](const csv::ColumnNames& names) {
            return csv::FindColumn(header, names).column != 0;
        };
        // A long series may give each line its gauge's place as well.
        return has(GaugeIdNames()) &&
               ((has(kXNames) && has(kYNames)) || (has(kLonNames) && has(kLatNames))) &&
               !FindLongColumns(reader, {});
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace thiessen
