#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thiessen {

// A rain gauge as its file gives it: its id, its position and the line of the
// file it came from (for messages).
struct Gauge {
    std::string id;
    double x = 0; // or the longitude, in degrees
    double y = 0; // or the latitude, in degrees
    long line = 0;
};

// The gauges of one file, in the file's order. Geographic gauges have their
// longitude in x and their latitude in y (WGS84 degrees); planar ones are in
// any unit, and their areas come out in that unit squared.
struct GaugeTable {
    bool geographic = false;
    std::vector<Gauge> gauges;
};

// Reads a gauges file: CSV with a header naming the columns id, x and y, or
// id, lon and lat. Refuses, with a DataError, what cannot be a gauge table:
// a missing column, a coordinate that is not a finite number, a longitude or
// latitude out of range, a duplicate id, two gauges at the same place.
GaugeTable ReadGauges(const std::string& path);
// The same for a text already read; name stands for the file in messages.
GaugeTable ParseGauges(std::string_view text, const std::string& name);

} // namespace thiessen
