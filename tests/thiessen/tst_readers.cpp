// The readers of the gauges, boundary and series files: the files people
// write and spreadsheets export, and every refusal with its message.

#include "thiessen/boundary.h"
#include "thiessen/data_error.h"
#include "thiessen/gauges.h"
#include "thiessen/series_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace thiessen;

namespace {

// The message of the DataError that body throws.
std::string ErrorOf(const std::function<void()>& body)
{
    try {
        body();
    } catch (const DataError& error) {
        return error.what();
    }
    return "no error";
}

const std::vector<std::string> kGaugeIds = {"G1", "G2", "G3"};

// Reads a whole series given as text.
std::vector<SeriesStep> ReadSeries(std::string_view text, size_t blockSize = 4096)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    std::fwrite(text.data(), 1, text.size(), file.get());
    std::rewind(file.get());
    SeriesReader reader(file.get(), "series.csv", kGaugeIds, {"-9999"}, blockSize);
    std::vector<SeriesStep> steps;
    for (SeriesStep step; reader.Next(step);)
        steps.push_back(step);
    return steps;
}

std::string Data(const char* name)
{
    return std::string(THIESSEN_TEST_DATA) + "/" + name;
}

} // namespace

TEST(Gauges, ReadsASpreadsheetExport)
{
    // Byte-order mark, semicolons, decimal commas, CRLF, quoted ids, the
    // columns in another order with one more, and an empty line at the end.
    const GaugeTable table = ParseGauges("\xEF\xBB\xBFLat;Name;ID;Lon\r\n"
                                         "-33,5;Canal;\"A;1\";151,25\r\n"
                                         "12.75;Hill;\"B \"\"north\"\"\";-0,5\r\n"
                                         "\r\n",
                                         "gauges.csv");
    EXPECT_TRUE(table.geographic);
    ASSERT_EQ(table.gauges.size(), 2u);
    EXPECT_EQ(table.gauges[0].id, "A;1");
    EXPECT_EQ(table.gauges[0].x, 151.25);
    EXPECT_EQ(table.gauges[0].y, -33.5);
    EXPECT_EQ(table.gauges[1].id, "B \"north\"");
    EXPECT_EQ(table.gauges[1].x, -0.5);
    EXPECT_EQ(table.gauges[1].line, 3);
}

TEST(Gauges, ReadsPlanarCoordinatesWrittenByHand)
{
    // Spaces after the commas, a note with a line break in it, lines of
    // empty fields and no line end at the end, as spreadsheets leave them.
    const GaugeTable table = ParseGauges(
        "id, x, y, note\nG1, 1e3, -2.5, \"by the\nriver\"\nG2, 7, 8,\n,,,\n,,,", "g.csv");
    EXPECT_FALSE(table.geographic);
    ASSERT_EQ(table.gauges.size(), 2u);
    EXPECT_EQ(table.gauges[0].x, 1000);
    EXPECT_EQ(table.gauges[0].y, -2.5);
    EXPECT_EQ(table.gauges[1].id, "G2");
    EXPECT_EQ(table.gauges[1].line, 4);
}

TEST(Gauges, RefusesBadTables)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "g.csv: the file is empty; expected a header line naming the columns"},
        {"\xFF\xFEi\0d", "g.csv: the file is UTF-16 text; expected CSV in UTF-8 (\"CSV UTF-8\" in "
                         "a spreadsheet's \"Save as\")"},
        {"id,x,y\r", "g.csv: the file has no gauges; expected a line for each gauge after the "
                     "header"},
        {"id,x,y\r1,2,3\r", "g.csv, line 1: lines end with a carriage return alone; expected "
                            "line feeds (CSV as written on Windows, Linux or a current macOS)"},
        {"\nid,x,y\n", "g.csv, line 1: the first line is empty; expected the header"},
        {"id,x,z\n", "g.csv, line 1: no column named y; expected a header with id, x, y (planar "
                     "coordinates) or id, lon, lat (degrees)"},
        {"name,lon,lat\n", "g.csv, line 1: no column named id; expected a header with id, x, y "
                           "(planar coordinates) or id, lon, lat (degrees)"},
        {"id,x,y,lon,lat\n", "g.csv, line 1: the header names both x, y and lon, lat; expected "
                             "one pair"},
        {"id,x,y,X\n", "g.csv, line 1, column 4 (X): a second column named x (the first is "
                       "column 2)"},
        {"id;x;y\nG1;12,3a;4\n", "g.csv, line 2, column 2 (x): expected a number, not \"12,3a\""},
        {"id,x,y\nG1,,4\n", "g.csv, line 2, column 2 (x): expected a number, found an empty field"},
        {"id,x,y\nG1,3,nan\n", "g.csv, line 2, column 3 (y): expected a finite number, not "
                               "\"nan\""},
        {"id,x,y\nG1,-inf,4\n", "g.csv, line 2, column 2 (x): expected a finite number, not "
                                "\"-inf\""},
        {"id,x,y\nG1,1e999,4\n", "g.csv, line 2, column 2 (x): the number \"1e999\" is out of "
                                 "range"},
        {"id,lon,lat\nG1,180.5,4\n", "g.csv, line 2, column 2 (lon): a longitude must be between "
                                     "-180 and 180, not \"180.5\""},
        {"id,lon,lat\nG1,10,-91\n", "g.csv, line 2, column 3 (lat): a latitude must be between "
                                    "-90 and 90, not \"-91\""},
        {"id,x,y\n,1,2\n", "g.csv, line 2, column 1 (id): expected a gauge id, found an empty "
                           "field"},
        {"id,x,y\nG1,1,2\nG2,1,5\nG1,3,4\n", "g.csv, line 4, column 1 (id): the id \"G1\" is "
                                             "already used on line 2"},
        {"id,x,y\nG1,1,2\nG2,1,5\nG3,1,2.0\nG4,1,5\n", "g.csv, line 4: gauges \"G3\" (line 4) "
                                                       "and \"G1\" (line 2) are at the same place "
                                                       "(1, 2)"},
        {"id,lon,lat\nW,-180,2\nE,180,2\n", "g.csv, line 3: gauges \"E\" (line 3) and \"W\" "
                                            "(line 2) are at the same place (180, 2)"},
        {"id,x,y\nG1,1\n", "g.csv, line 2, column 3 (y): the line has 2 fields, the header 3"},
        {"id,x,y\nG1,1,2,3,4\n", "g.csv, line 2, column 4: the line has 5 fields, the header 3"},
        {"id,x,y\nG1,1,2\n\nG2,3,4\n", "g.csv, line 3: an empty line before the end of the file"},
        {"id,x,y\n\"G\n1,1,2\n", "g.csv, line 2, column 1 (id): a quoted field without its "
                                 "closing quote"},
        {"id,x,y\n\"G\"1,1,2\n", "g.csv, line 2, column 1 (id): text after the closing quote of "
                                 "a quoted field"},
        {"id,x,y\nG\"1,1,2\n", "g.csv, line 2, column 1 (id): a quote inside a field; a field "
                               "with quotes must be quoted as a whole, its quotes doubled"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ErrorOf([&] { ParseGauges(text, "g.csv"); }), message) << text;
}

TEST(Series, ReadsASpreadsheetExport)
{
    // G2's column is missing; the others in another order, quoted, with
    // every kind of missing value and decimal commas.
    const auto steps = ReadSeries("\xEF\xBB\xBF\"Time\";\"G3\";\"G1\"\r\n"
                                  "\"2024-01-01 00:00\";1,5;0\r\n"
                                  "2024-01-01 01:00;NA;-9999\r\n"
                                  "2024-01-01 02:00;nan;\r\n"
                                  "2024-01-01 03:00;2.25;-0\r\n"
                                  "\r\n");
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].time, "2024-01-01 00:00");
    EXPECT_EQ(steps[0].values[0], 0);
    EXPECT_TRUE(std::isnan(steps[0].values[1]));
    EXPECT_EQ(steps[0].values[2], 1.5);
    for (const int step : {1, 2})
        EXPECT_TRUE(std::isnan(steps[step].values[0]) && std::isnan(steps[step].values[2]));
    EXPECT_EQ(steps[3].values[2], 2.25);
    EXPECT_FALSE(std::signbit(steps[3].values[0]));
    EXPECT_EQ(steps[3].line, 5);
}

TEST(Series, ReadsPastTheBlocksItReadsIn)
{
    // Blocks end everywhere: in fields, in quotes, between CR and LF; and a
    // time in quotes, with a line break, is longer than the blocks.
    std::string text = "time,G1,G2,G3\r\n";
    for (int i = 0; i < 100; ++i)
        text += "\"" + std::to_string(i) + "\"," + std::to_string(i % 10) + ",,1.5\r\n";
    text += "\"" + std::string(300, 'x') + "\n\",0,0,0\r\nlast,1,1,1";
    for (const size_t blockSize : {1, 7, 64, 1000}) {
        const auto steps = ReadSeries(text, blockSize);
        ASSERT_EQ(steps.size(), 102u);
        double sum = 0;
        for (const SeriesStep& step : steps)
            sum += step.values[0] + step.values[2];
        EXPECT_EQ(sum, 602);
        EXPECT_EQ(steps[99].time, "99");
        EXPECT_EQ(steps[100].time.size(), 301u);
        EXPECT_EQ(steps[101].line, 104);
    }
}

TEST(Series, RefusesBadSeries)
{
    const std::pair<const char*, const char*> cases[] = {
        {"time\n1\n", "series.csv, line 1: no column after the time; expected columns named by "
                      "gauge ids, separated by commas or semicolons"},
        {"time,G1,G9\n", "series.csv, line 1, column 3 (G9): no gauge has the id \"G9\""},
        {"time,G1,,G2\n", "series.csv, line 1, column 3: a column without a name; expected a "
                          "gauge id"},
        {"time,G1,G2,G1\n", "series.csv, line 1, column 4 (G1): a second column for the gauge "
                            "\"G1\" (the first is column 2)"},
        {"time,G1\nt1,1.2.3\n", "series.csv, line 2, column 2 (G1): expected a number or a "
                                "missing value (an empty field, NA, NaN, -9999), not \"1.2.3\""},
        {"time,G1\nt1,-99.0\n", "series.csv, line 2, column 2 (G1): a negative rainfall, "
                                "\"-99.0\"; if it marks missing values, name it with --missing"},
        {"time,G1\nt1,inf\n", "series.csv, line 2, column 2 (G1): expected a finite number, not "
                              "\"inf\""},
        {"time,G1,G2\nt1,1\n", "series.csv, line 2, column 3 (G2): the line has 2 fields, the "
                               "header 3"},
        {"time,G1,G2\nt1,1,2,\n", "series.csv, line 2, column 4: the line has 4 fields, the "
                                  "header 3"},
        {"time,G1\n,1\n", "series.csv, line 2, column 1 (time): expected a time, found an empty "
                          "field"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ErrorOf([&] { ReadSeries(text); }), message) << text;
}

TEST(Boundary, ReadsEveryFormat)
{
    const Geos geos;
    const std::pair<std::function<Geometry()>, double> cases[] = {
        // Two features that share an edge make one polygon.
        {[&] {
             return ParseGeoJsonBoundary(geos,
                                         R"({"type":"FeatureCollection","features":[
                 {"type":"Feature","properties":{"name":"upper"},"geometry":
                  {"type":"Polygon","coordinates":[[[0,0],[2,0],[2,1],[0,1],[0,0]]]}},
                 {"type":"Feature","properties":{},"geometry":
                  {"type":"MultiPolygon","coordinates":[[[[0,1],[2,1],[2,3],[0,3],[0,1]]]]}}]})",
                                         "b.geojson");
         },
         6},
        {[&] {
             return ParseWktBoundary(
                 geos, "\xEF\xBB\xBFPOLYGON ((0 0, 4 0, 4 4, 0 4, 0 0), (1 1, 2 1, 2 2, 1 1))\n",
                 "b.wkt");
         },
         15.5},
        {[&] { return ReadBoundary(geos, Data("square-with-hole.shp")); }, 96},
        {[&] { return ReadBoundary(geos, Data("island-in-lake.shp")); }, 167},
        {[&] { return ReadBoundary(geos, Data("square-z.shp")); }, 100},
        {[&] { return ReadBoundary(geos, Data("square-m.shp")); }, 100},
    };
    for (const auto& [read, area] : cases) {
        const Geometry boundary = read();
        EXPECT_EQ(geos.Area(boundary.get()), area);
        EXPECT_TRUE(GEOSisValid_r(geos.Handle(), boundary.get()));
    }
}

TEST(Boundary, RefusesWhatIsNoCatchment)
{
    const Geos geos;
    const auto geoJson = [&](const char* text) { ParseGeoJsonBoundary(geos, text, "b.json"); };
    const auto wkt = [&](const char* text) { ParseWktBoundary(geos, text, "b.wkt"); };
    const auto file = [&](const char* name) { ReadBoundary(geos, Data(name)); };
    std::string squareWithHole(332, '\0');
    std::FILE* shapefile = std::fopen(Data("square-with-hole.shp").c_str(), "rb");
    squareWithHole.resize(std::fread(squareWithHole.data(), 1, 332, shapefile));
    std::fclose(shapefile);
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { geoJson(R"({"type":"Point","coordinates":[1,2]})"); },
         "b.json: a Point is not a boundary; expected a Polygon or MultiPolygon"},
        {[&] {
             geoJson(R"({"type":"FeatureCollection","features":[{"type":"Feature",
             "geometry":{"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,0]]]}},
             {"type":"Feature","geometry":{"type":"LineString","coordinates":[[0,0],[1,1]]}}]})");
         },
         "b.json: feature 2: a LineString is not a boundary; expected a Polygon or MultiPolygon"},
        // GEOS 3.11 itself would crash on this one.
        {[&] { geoJson(R"({"type":"Polygon","coordinates":[[[],[20,10],[0,0]]]})"); },
         "b.json, line 1, column 35: an empty array among coordinates; a position has two or "
         "three numbers, a ring at least four positions"},
        {[&] { geoJson(R"({"type":"FeatureCollection","features":[]})"); },
         "b.json: the boundary is empty; expected at least one polygon"},
        {[&] { geoJson(R"({"type":"Polygon","coordinates":[[[0,0],[1,0]]})"); },
         "b.json: the file is not GeoJSON that can be read: ParseException: Error parsing JSON: "
         "'[json.exception.parse_error.101] parse error at line 1, column 47: syntax error while "
         "parsing array - unexpected '}'; expected ']''"},
        {[&] { wkt("POLYGON ((0 0, 10 0, 0 10, 20 10, 0 0))"); },
         "b.wkt: the boundary is not valid: Self-intersection at (6.666666666666667, "
         "3.333333333333333)"},
        {[&] { wkt("POLYGON ((0 0, 1 0, 2 0, 0 0))"); },
         "b.wkt: the boundary is not valid: Self-intersection at (1, 0)"},
        // GEOS 3.11 would read the first and drop the second without a word.
        {[&] { wkt("POLYGON ((0 0, 1 0, 1 1, 0 0))\nPOLYGON ((5 5, 6 5, 6 6, 5 5))"); },
         "b.wkt, line 2: text after the first geometry; several polygons go in one MULTIPOLYGON "
         "or GEOMETRYCOLLECTION"},
        {[&] { wkt("POLYGON EMPTY"); },
         "b.wkt: the boundary is empty; expected at least one polygon"},
        {[&] { wkt("POLYGON ((0 0, 1 0, 1 1 0 0))"); },
         "b.wkt: the file is not WKT that can be read: IllegalArgumentException: Points of "
         "LinearRing do not form a closed linestring"},
        {[&] { file("bowtie.shp"); },
         "bowtie.shp: the boundary is not valid: Self-intersection at (7.142857142857142, "
         "2.857142857142857)"},
        {[&] { file("river.shp"); }, "river.shp: the file holds PolyLine shapes; a boundary is "
                                     "made of polygons"},
        {[&] { file("lone-hole.shp"); },
         "lone-hole.shp: record 1, ring 1: a hole (a counter-clockwise ring) outside every outer "
         "ring; outer rings go clockwise"},
        {[&] { ParseShapefileBoundary(geos, "POLYGON ((0 0, 1 0, 1 1, 0 0))", "b.shp"); },
         "b.shp: the file is not an ESRI shapefile (.shp): it does not start as one"},
        {[&] { ParseShapefileBoundary(geos, squareWithHole.substr(0, 150), "b.shp"); },
         "b.shp: the file is cut short: its header gives 332 bytes, it has 150"},
        {[&] { file("make-shapefiles"); }, "make-shapefiles: the file is not in a format this "
                                           "program reads; expected GeoJSON (.geojson, .json), "
                                           "WKT (.wkt) or an ESRI shapefile (.shp)"},
    };
    for (const auto& [read, message] : cases) {
        std::string error = ErrorOf(read);
        const size_t folder = error.find(THIESSEN_TEST_DATA "/");
        if (folder != std::string::npos)
            error.erase(folder, sizeof THIESSEN_TEST_DATA);
        EXPECT_EQ(error, message);
    }
}
