#include "thiessen/output/output.h"

#include "thiessen/study/on_map.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace thiessen {

std::string CsvField(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (text.find_first_of(",;\"\r\n") == std::string::npos &&
        (text.empty() || (!blank(text.front()) && !blank(text.back()))))
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string WeightsCsv(const Catchment& catchment)
{
    std::string csv = catchment.map ? "id,area_km2,weight\n" : "id,area,weight\n";
    const auto& gauges = catchment.gauges.gauges;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        csv += CsvField(gauges[i].id) + ',' + NumberText(catchment.Area(i)) + ',' +
               NumberText(catchment.Weight(i)) + '\n';
    return csv;
}

std::string SubBasinWeightsCsv(const Catchment& catchment, bool all)
{
    std::string csv =
        catchment.map ? "catchment,id,area_km2,weight\n" : "catchment,id,area,weight\n";
    const auto& gauges = catchment.gauges.gauges;
    for (const SubBasin& basin : catchment.subBasins) {
        const Coverage& cover = *basin.coverage;
        for (std::size_t i = 0; i < gauges.size(); ++i)
            if (all || cover.Area(i) != 0)
                csv += CsvField(basin.name) + ',' + CsvField(gauges[i].id) + ',' +
                       NumberText(cover.Area(i) * catchment.AreaUnit()) + ',' +
                       NumberText(cover.Area(i) / cover.BasinArea()) + '\n';
    }
    return csv;
}

std::string SeriesCsvHeader()
{
    return "time,rainfall,gauges\n";
}

std::string SeriesCsvLine(const std::string& time, const StepRainfall& step)
{
    return CsvField(time) + ',' + (step.rainfall ? NumberText(*step.rainfall) : std::string()) +
           ',' + std::to_string(step.reporting) + '\n';
}

std::string SeriesCsvHeader(SeriesLayout layout, const std::vector<std::string>& basins)
{
    switch (layout) {
    case SeriesLayout::OneCatchment:
        return SeriesCsvHeader();
    case SeriesLayout::Long:
        return "catchment,time,rainfall,gauges\n";
    case SeriesLayout::Wide:
        break;
    }
    std::string header = "time";
    for (const std::string& basin : basins)
        header += ',' + CsvField(basin);
    return header + '\n';
}

void AppendSeriesCsv(std::string& csv, SeriesLayout layout, const std::vector<std::string>& basins,
                     const std::string& time, const std::vector<StepRainfall>& steps)
{
    const auto rainfall = [](const StepRainfall& step) {
        return step.rainfall ? NumberText(*step.rainfall) : std::string();
    };
    switch (layout) {
    case SeriesLayout::OneCatchment:
        csv += SeriesCsvLine(time, steps.front());
        return;
    case SeriesLayout::Long:
        for (std::size_t b = 0; b < steps.size(); ++b)
            csv += CsvField(basins[b]) + ',' + CsvField(time) + ',' + rainfall(steps[b]) + ',' +
                   std::to_string(steps[b].reporting) + '\n';
        return;
    case SeriesLayout::Wide:
        csv += CsvField(time);
        for (const StepRainfall& step : steps)
            csv += ',' + rainfall(step);
        csv += '\n';
        return;
    }
}

namespace {

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\u%04x", c);
            json += escaped.data();
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + '"';
}

// A cell of the map in longitude and latitude, its edges split where a
// straight edge in degrees would leave the true one by more than the
// tolerance; shells counter-clockwise and holes clockwise, as RFC 7946 asks.
Geometry InDegrees(const Geos& geos, const GEOSGeometry& cell, const Transformation& map)
{
    const PointMap toDegrees = [&](Point p) { return OnDegreeGrid(map.Inverse(p)); };
    const PointMap toMap = [&](Point p) { return map.Forward(p); };
    Geometry degrees = MapRings(geos, cell, [&](const std::vector<Point>& ring) {
        return DensifiedRing(ring, toDegrees, toMap, kEdgeTolerance);
    });
    // GEOS normalizes shells clockwise; reversed, they are as RFC 7946 has them.
    CheckStatus(geos, GEOSNormalize_r(geos.Handle(), degrees.get()) == 0, "ordering a cell");
    return geos.Own(GEOSReverse_r(geos.Handle(), degrees.get()), "ordering a cell");
}

std::string GeometryJson(const Geos& geos, const GEOSGeometry& geometry)
{
    GEOSGeoJSONWriter* writer = GEOSGeoJSONWriter_create_r(geos.Handle());
    char* text = GEOSGeoJSONWriter_writeGeometry_r(geos.Handle(), writer, &geometry, -1);
    GEOSGeoJSONWriter_destroy_r(geos.Handle(), writer);
    if (text == nullptr)
        throw GeometryError("writing a cell as GeoJSON failed: " + geos.TakeLastError());
    std::string json = text;
    GEOSFree_r(geos.Handle(), text);
    return json;
}

} // namespace

namespace {

// One cell as a GeoJSON feature; properties opens its properties.
std::string CellFeature(const Geos& geos, const Catchment& catchment, const Coverage& cover,
                        std::size_t gauge, const std::string& properties)
{
    const GEOSGeometry& cell = cover.Cell(gauge);
    const std::string geometry = GEOSisEmpty_r(geos.Handle(), &cell) ? "null"
                                 : catchment.map
                                     ? GeometryJson(geos, *InDegrees(geos, cell, *catchment.map))
                                     : GeometryJson(geos, cell);
    return "{\"type\":\"Feature\",\"properties\":{" + properties +
           "\"id\":" + JsonString(catchment.gauges.gauges[gauge].id) +
           ",\"area\":" + NumberText(cover.Area(gauge) * catchment.AreaUnit()) +
           ",\"weight\":" + NumberText(cover.Area(gauge) / cover.BasinArea()) +
           "},\"geometry\":" + geometry + "}";
}

} // namespace

std::string CellsGeoJson(const Geos& geos, const Catchment& catchment, bool all)
{
    std::vector<std::string> features;
    const std::size_t count = catchment.gauges.gauges.size();
    if (catchment.subBasins.empty())
        for (std::size_t i = 0; i < count; ++i)
            features.push_back(CellFeature(geos, catchment, catchment.diagram->Clipped(), i, {}));
    for (const SubBasin& basin : catchment.subBasins)
        for (std::size_t i = 0; i < count; ++i)
            if (all || basin.coverage->Area(i) != 0)
                features.push_back(CellFeature(geos, catchment, *basin.coverage, i,
                                               "\"catchment\":" + JsonString(basin.name) + ','));
    std::string json = "{\"type\":\"FeatureCollection\",\"features\":[";
    for (std::size_t k = 0; k < features.size(); ++k)
        json += (k == 0 ? "\n" : ",\n") + features[k];
    return json + "\n]}\n";
}

namespace {

[[noreturn]] void CannotWrite(const std::string& path, int error)
{
    // A failed write need not set errno; "Success" is no reason.
    throw std::runtime_error(
        "cannot write " + path + ": " +
        (error != 0 ? std::strerror(error) : "the data could not all be written"));
}

std::FILE* OpenForWriting(const std::filesystem::path& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

// Writes the content to the file at path; on failure, says why with the
// name shown to the user.
void Write(const std::filesystem::path& path, const std::string& content, const std::string& name)
{
    errno = 0;
    std::FILE* file = OpenForWriting(path);
    if (file == nullptr)
        CannotWrite(name, errno);
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                         std::fflush(file) == 0;
    const int error = errno;
    if (std::fclose(file) != 0 || !written)
        CannotWrite(name, written ? errno : error);
}

// Devices, pipes and what /dev and /proc name (/dev/stdout) are written as
// they are: replacing them by a file would be wrong, and is refused to
// anyone but root.
bool WriteStraightThrough(const std::string& path, const std::filesystem::path& target)
{
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    const std::string_view text = path;
    return (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) ||
           text.starts_with("/dev/") || text.starts_with("/proc/");
}

} // namespace

void WriteFileAtomically(const std::string& path, const std::string& content)
{
    namespace fs = std::filesystem;
    fs::path target = fs::u8path(path);
    if (WriteStraightThrough(path, target))
        return Write(target, content, path);
    std::error_code error;
    // A link keeps pointing at the file, which is replaced where it is; a
    // link to nothing is replaced itself.
    if (fs::is_symlink(target, error))
        if (const fs::path real = fs::canonical(target, error); !error)
            target = real;
    const auto existing = fs::status(target, error);
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(std::random_device()() % 1000000);
    try {
        Write(temporary, content, path);
        if (fs::exists(existing))
            fs::permissions(temporary, existing.permissions(), error);
        fs::rename(temporary, target, error);
        if (error)
            throw std::runtime_error("cannot write " + path + ": " + error.message());
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

} // namespace thiessen
