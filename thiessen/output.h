#pragma once

#include "thiessen/catchment.h"
#include "thiessen/catchment_rainfall.h"

#include <string>

namespace thiessen {

// A number in the shortest text that reads back to the same double.
std::string NumberText(double value);

// A CSV field, quoted where its text needs it.
std::string CsvField(const std::string& text);

// The weights as CSV: a header "id,area,weight", then one row per gauge in
// the gauges file's order.
std::string WeightsCsv(const Catchment& catchment);

// The first line of a series result, and the line of one step.
std::string SeriesCsvHeader();
std::string SeriesCsvLine(const std::string& time, const StepRainfall& step);

// The clipped cells as a GeoJSON FeatureCollection, each with its gauge's id,
// area and weight; in longitude and latitude for geographic gauges.
std::string CellsGeoJson(const Geos& geos, const Catchment& catchment);

// A map as SVG: the catchment, each cell in its own light colour with its
// weight, and the gauges as dots with their ids.
std::string MapSvg(const Geos& geos, const Catchment& catchment);

// Writes a whole file or nothing: the content goes to a temporary file beside
// it, which then takes the file's name. Throws std::runtime_error, naming the
// file, when it cannot.
void WriteFileAtomically(const std::string& path, const std::string& content);

} // namespace thiessen
