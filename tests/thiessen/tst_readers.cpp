// The readers of the gauges, boundary and series files: the files people
// write and spreadsheets export, and every refusal with its message.

#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/series_reader.h"

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
        text += '"' + std::to_string(i) + "\"," + std::to_string(i % 10) + ",,1.5\r\n";
    text += '"' + std::string(300, 'x') + "\n\",0,0,0\r\nlast,1,1,1";
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
