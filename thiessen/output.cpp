#include "thiessen/output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace thiessen {

std::string NumberText(double value)
{
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",;\"\r\n") == std::string::npos)
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
    std::string csv = "id,area,weight\n";
    const auto& gauges = catchment.gauges.gauges;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        csv += CsvField(gauges[i].id) + ',' + NumberText(catchment.Area(i)) + ',' +
               NumberText(catchment.Weight(i)) + '\n';
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

Geometry InDegrees(const Geos& geos, const GEOSGeometry& cell,
                   const EqualAreaProjection& projection)
{
    auto inverse = [](double* x, double* y, void* userdata) {
        // To 1e-11 degrees, about a micrometre, for the same reason as on the
        // way in (catchment.cpp): the same file on every system.
        const auto point = static_cast<const EqualAreaProjection*>(userdata)->Inverse(*x, *y);
        *x = std::round(point.x * 1e11) / 1e11;
        *y = std::round(point.y * 1e11) / 1e11;
        return 1;
    };
    return geos.Own(GEOSGeom_transformXY_r(geos.Handle(), &cell, inverse,
                                           const_cast<EqualAreaProjection*>(&projection)),
                    "turning a cell into degrees");
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

std::string CellsGeoJson(const Geos& geos, const Catchment& catchment)
{
    std::string json = "{\"type\":\"FeatureCollection\",\"features\":[";
    const auto& gauges = catchment.gauges.gauges;
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        const GEOSGeometry& cell = catchment.diagram->Cell(i);
        const std::string geometry =
            catchment.projection ? GeometryJson(geos, *InDegrees(geos, cell, *catchment.projection))
                                 : GeometryJson(geos, cell);
        json += std::string(i == 0 ? "\n" : ",\n") +
                "{\"type\":\"Feature\",\"properties\":{\"id\":" + JsonString(gauges[i].id) +
                ",\"area\":" + NumberText(catchment.Area(i)) +
                ",\"weight\":" + NumberText(catchment.Weight(i)) + "},\"geometry\":" + geometry +
                "}";
    }
    return json + "\n]}\n";
}

void WriteFileAtomically(const std::string& path, const std::string& content)
{
    namespace fs = std::filesystem;
    const fs::path target = fs::u8path(path);
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(std::random_device()() % 1000000);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw std::runtime_error("cannot write " + path + ": " + error.message());
    }
}

} // namespace thiessen
