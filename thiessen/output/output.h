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

// The first line of a series result, and the line of one step.
std::string SeriesCsvHeader();
std::string SeriesCsvLine(const std::string& time, const StepRainfall& step);

// The clipped cells as a GeoJSON FeatureCollection, each with its gauge's id,
// area and weight; in WGS84 longitude and latitude (RFC 7946) when the
// coordinate systems are known, their edges drawn densely enough to lie
// where they were computed. A cell of no area has a null geometry.
std::string CellsGeoJson(const Geos& geos, const Catchment& catchment);

// A map as SVG: the catchment, each cell in its own light colour with its
// weight, and the gauges as dots with their ids.
std::string MapSvg(const Geos& geos, const Catchment& catchment);

// Writes a whole file or nothing: the content goes to a temporary file beside
// it, which then takes the file's name (and keeps the permissions of the file
// it replaces). What is not a regular file, such as /dev/stdout or a named
// pipe, is written straight through. Throws std::runtime_error, naming the
// file, when it cannot.
void WriteFileAtomically(const std::string& path, const std::string& content);

} // namespace thiessen
