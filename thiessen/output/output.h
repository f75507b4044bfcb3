#pragma once

#include "thiessen/base/text.h"
#include "thiessen/study/catchment.h"
#include "thiessen/study/catchment_rainfall.h"

#include <string>

namespace thiessen {

// A CSV field, quoted where its text needs it to read back the same: a
// separator, a quote, a line end, or blanks at either end, which readers
// trim from fields without quotes.
std::string CsvField(const std::string& text);

// The weights as CSV: a header "id,area_km2,weight" ("id,area,weight" where
// the unit is unknown), then one row per gauge in the gauges file's order.
std::string WeightsCsv(const Catchment& catchment);

// The weights of each sub-basin as CSV: a header "catchment,id,area_km2,weight"
// ("catchment,id,area,weight" where the unit is unknown), then the
// sub-basins in the layer's order, each with its gauges in the gauges file's
// order: those whose cell has area in it, or all of them.
std::string SubBasinWeightsCsv(const Catchment& catchment, bool all);

// The first line of a series result, and the line of one step.
std::string SeriesCsvHeader();
std::string SeriesCsvLine(const std::string& time, const StepRainfall& step);

// How a series of several basins is written: one catchment as time,rainfall,
// gauges; a column per basin (time,<basin>,...), a missing rainfall an empty
// field; or a row per basin and step (catchment,time,rainfall,gauges).
enum class SeriesLayout { OneCatchment, Wide, Long };
std::string SeriesCsvHeader(SeriesLayout layout, const std::vector<std::string>& basins);
// Appends the line, or the lines, of one step: steps holds one per basin.
void AppendSeriesCsv(std::string& csv, SeriesLayout layout, const std::vector<std::string>& basins,
                     const std::string& time, const std::vector<StepRainfall>& steps);

// The clipped cells as a GeoJSON FeatureCollection, each with its gauge's id,
// area and weight; in WGS84 longitude and latitude (RFC 7946) when the
// coordinate systems are known, their edges drawn densely enough to lie
// where they were computed. A cell of no area has a null geometry. With
// sub-basins, a feature per sub-basin and gauge, with the sub-basin's name
// as "catchment", for the gauges with area there unless all.
std::string CellsGeoJson(const Geos& geos, const Catchment& catchment, bool all = true);

// A map as SVG, laid out by LayOutMap (map_picture.h): the catchment, each
// cell in its own light colour with its weight, the gauges as dots with
// their ids, a scale bar, north where it is known, and the sub-basins.
std::string MapSvg(const Geos& geos, const Catchment& catchment);

// Writes a whole file or nothing: the content goes to a temporary file beside
// it, which then takes the file's name (and keeps the permissions of the file
// it replaces). What is not a regular file, such as /dev/stdout or a named
// pipe, is written straight through. Throws std::runtime_error, naming the
// file, when it cannot.
void WriteFileAtomically(const std::string& path, const std::string& content);

} // namespace thiessen
