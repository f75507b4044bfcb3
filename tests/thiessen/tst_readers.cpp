// The readers of the gauges, boundary and series files: the files people
// write and spreadsheets export, and every refusal with its message.

#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/series_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

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

// Reads a whole series given as text; inFile, when given, receives which
// gauges it has.
// With batchBytes, it is read in batches of about that many bytes, as the
// command reads it on several threads.
std::vector<SeriesStep> ReadSeries(std::string_view text, size_t blockSize = 4096,
                                   const SeriesOptions& options = {{"-9999"}, {}},
                                   std::vector<bool>* inFile = nullptr,
                                   const std::vector<std::string>& gaugeIds = kGaugeIds,
                                   size_t batchBytes = 0)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    std::fwrite(text.data(), 1, text.size(), file.get());
    std::rewind(file.get());
    const auto series = OpenSeries(file.get(), "series.csv", gaugeIds, options, blockSize);
    std::vector<SeriesStep> steps;
    if (batchBytes > 0)
        while (const auto batch = series->NextBatch(batchBytes))
            batch->ForEachStep([&](const SeriesStep& step) { steps.push_back(step); });
    else
        for (SeriesStep step; series->Next(step);)
            steps.push_back(step);
    if (inFile != nullptr)
        *inFile = series->GaugesInFile();
    return steps;
}

// The steps of a series as text, a line each: "time: G1 G2 G3 (line)", a
// missing value shown as "-"; read in batches of a line or two.
std::string StepsOf(std::string_view text, const SeriesOptions& options = {{"-9999"}, {}})
{
    std::ostringstream shown;
    for (const SeriesStep& step : ReadSeries(text, 7, options, nullptr, kGaugeIds, 10)) {
        shown << step.time << ':';
        for (const double value : step.values)
            (std::isnan(value) ? shown << " -" : shown << ' ' << value);
        shown << " (" << step.line << ")\n";
    }
    return shown.str();
}

// The times of a series' steps, one gauge's in long form, in order.
std::string TimesOf(const std::vector<std::string>& times)
{
    std::string text = "station,time,value\n";
    for (const std::string& time : times)
        text += "G1," + time + ",1\n";
    std::string order;
    for (const SeriesStep& step : ReadSeries(text))
        order += (order.empty() ? "" : " | ") + step.time;
    return order;
}

// Each series refused with its message, read step by step and in batches.
void ExpectRefused(const std::vector<std::pair<const char*, const char*>>& cases)
{
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(ErrorOf([&] { ReadSeries(text); }), message) << text;
        EXPECT_EQ(ErrorOf([&] {
                      ReadSeries(text, 4096, {{"-9999"}, {}}, nullptr, kGaugeIds, 3);
                  }),
                  message)
            << text;
    }
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
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"", "g.csv: the file is empty; expected a header line naming the columns"},
        {"\xFF\xFEi\0d", "g.csv: the file is UTF-16 text; expected CSV in UTF-8 (\"CSV UTF-8\" in "
                         "a spreadsheet's \"Save as\")"},
        {"id,x,y\r", "g.csv: the file has no gauges; expected a line for each gauge after the "
                     "header"},
        {"id,x,y\r1,2,3\r", "g.csv, line 1: lines end with a carriage return alone; expected "
                            "line feeds (CSV as written on Windows, Linux or a current macOS)"},
        {"\nid,x,y\n", "g.csv, line 1: the first line is empty; expected the header"},
        {"id,x,z\n", "g.csv, line 1: no column named y or northing; expected a header with id, x, "
                     "y (planar coordinates) or id, lon, lat (degrees)"},
        {"label,lon,lat\n", "g.csv, line 1: no column named id, station, gauge, code, "
                            "station_id, gauge_id or name; expected a header with id, x, y "
                            "(planar coordinates) or id, lon, lat (degrees)"},
        {"id,x,y,lon,lat\n", "g.csv, line 1: the header names both x, y and lon, lat; expected "
                             "one pair"},
        {"id,x,y,X\n", "g.csv, line 1, column 4 (X): a second column for x (the first is column "
                       "2, \"x\")"},
        {"id,lon,Longitude,lat\n", "g.csv, line 1, column 3 (Longitude): a second column for "
                                   "the longitude (the first is column 2, \"lon\")"},
        {"name,station,code,x,y\n", "g.csv, line 1, column 3 (code): a second column for the "
                                    "gauge ids (the first is column 2, \"station\"); choose "
                                    "one with --id"},
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

TEST(Gauges, ReadsTheUsualNamesOfColumns)
{
    // Tabs and decimal commas; a station number is taken over a name.
    GaugeTable table = ParseGauges("Name\tStation\tLongitude\tLatitude\n"
                                   "Hill\t0101\t151,25\t-33,5\n",
                                   "g.csv");
    EXPECT_TRUE(table.geographic);
    EXPECT_EQ(table.gauges[0].id, "0101");
    EXPECT_EQ(table.gauges[0].x, 151.25);
    EXPECT_EQ(table.gauges[0].y, -33.5);
    // id is taken over any other; a comma file padded with tabs stays one.
    table = ParseGauges("gauge,\tID,\tEasting,\tNorthing\nHill,\tA1,\t300.5,\t400\n", "g.csv");
    EXPECT_FALSE(table.geographic);
    EXPECT_EQ(table.gauges[0].id, "A1");
    EXPECT_EQ(table.gauges[0].x, 300.5);
    EXPECT_EQ(table.gauges[0].y, 400);
    table = ParseGauges("name,long,lat\nHill,1,2\n", "g.csv");
    EXPECT_EQ(table.gauges[0].id, "Hill");
    EXPECT_EQ(table.gauges[0].x, 1);
    // --id chooses.
    EXPECT_EQ(ParseGauges("station,code,x,y\nS1,C1,1,2\n", "g.csv", "CODE").gauges[0].id, "C1");
    EXPECT_EQ(ErrorOf([] { ParseGauges("station,x,y\n", "g.csv", "code"); }),
              "g.csv, line 1: no column named \"code\", as --id has it");
    EXPECT_EQ(ErrorOf([] { ParseGauges("id,x,y\n", "g.csv", "y"); }),
              "g.csv, line 1, column 3 (y): the column of the ids, as --id has it, holds a "
              "coordinate");
    // A table under such names is told from a series by its header.
    const std::string path = testing::TempDir() + "stations.csv";
    std::ofstream(path) << "Name\tStation\tLongitude\tLatitude\n";
    EXPECT_TRUE(IsGaugesTable(path));
    std::ofstream(path) << "station,time,value\n";
    EXPECT_FALSE(IsGaugesTable(path));
    // A long series that gives each line its gauge's place too.
    std::ofstream(path) << "station,date,latitude,longitude,prcp\n";
    EXPECT_FALSE(IsGaugesTable(path));
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
    for (const auto& [blockSize, batchBytes] : {std::pair<size_t, size_t>{1, 0},
                                                {7, 0},
                                                {64, 0},
                                                {1000, 0},
                                                {7, 1},
                                                {64, 50},
                                                {1000, 400}}) {
        const auto steps =
            ReadSeries(text, blockSize, {{"-9999"}, {}}, nullptr, kGaugeIds, batchBytes);
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
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"time\n1\n", "series.csv, line 1: no column after the time; expected columns named by "
                      "gauge ids, or columns for the gauge, the time and the value, separated by "
                      "commas, semicolons or tabs"},
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
    ExpectRefused(cases);
}

// Batches read on their own threads see the lines as one reader would: the
// line numbers of faults far in, blank lines that are not at the end, and
// numbers read the quick way exactly as from_chars reads them.
TEST(Series, ReadsInBatchesAsLineByLine)
{
    std::string text = "time,G1,G2,G3\n";
    for (int i = 0; i < 300; ++i)
        text += 't' + std::to_string(i) + ",0.1,12.7," + std::to_string(i) + ".05\n";
    const auto read = [](const std::string& series, size_t batchBytes) {
        return ErrorOf([&] {
            ReadSeries(series, 64, {{"-9999"}, {}}, nullptr, kGaugeIds, batchBytes);
        });
    };
    for (const size_t batchBytes : {size_t{10}, size_t{700}, size_t{1} << 20}) {
        EXPECT_EQ(read(text + "t300,1,x,1\n", batchBytes),
                  "series.csv, line 302, column 3 (G2): expected a number or a missing value (an "
                  "empty field, NA, NaN, -9999), not \"x\"");
        EXPECT_EQ(read(text + "\n,,\n" + text.substr(text.find('\n') + 1), batchBytes),
                  "series.csv, line 302: an empty line before the end of the file");
        EXPECT_EQ(read(text + "\n,,\n \n", batchBytes), "no error");
        const auto steps = ReadSeries(text, 64, {{"-9999"}, {}}, nullptr, kGaugeIds, batchBytes);
        ASSERT_EQ(steps.size(), 300u);
        EXPECT_EQ(steps[299].line, 301);
        EXPECT_EQ(steps[299].values, (std::vector<double>{0.1, 12.7, 299.05}));
    }
    // Short decimals, long ones, exponents and leading zeros: the same
    // doubles as the general way gives them, which a numeric token forces.
    const std::string numbers = "time,G1,G2,G3\nt,0.30000000000001,123456789012345,"
                                "0.1234567890123456\nu,007.250,1e-3,99999999999999.99\n"
                                "v,5.,2.675,0.000000000000001\n";
    const auto quick = ReadSeries(numbers, 4096, {{}, {}}, nullptr, kGaugeIds, 100);
    const auto general = ReadSeries(numbers, 4096, {{"1"}, {}});
    ASSERT_EQ(quick.size(), 3u);
    for (size_t k = 0; k < quick.size(); ++k)
        EXPECT_EQ(quick[k].values, general[k].values) << k;
    EXPECT_EQ(quick[2].values[1], 2.675);
}

TEST(Series, ReadsTabs)
{
    // Empty fields between tabs are fields, and a decimal comma is allowed.
    EXPECT_EQ(StepsOf("time\tG1\tG2\tG3\nt1\t\t 0,5 \t2\n"), "t1: - 0.5 2 (2)\n");
}

TEST(Series, ReadsTheLongFormAsTheWide)
{
    // G2 never reports; G3 is missing on the 1st (no line) and the 3rd (NA).
    std::vector<bool> inFile;
    ReadSeries("time,G1,G3\n", 4096, {}, &inFile);
    EXPECT_EQ(inFile, std::vector<bool>({true, false, true}));
    EXPECT_EQ(StepsOf("time,G1,G3\n2026-05-01,1.5,\n2026-05-02,,0\n2026-05-03,2,NA\n"),
              "2026-05-01: 1.5 - - (2)\n2026-05-02: - - 0 (3)\n2026-05-03: 2 - - (4)\n");
    // By station, the dates out of order, in other columns and names, with a
    // column to ignore.
    const std::string byStation = "Date,Flag,Station,PRCP\n2026-05-02,,G1,\n2026-05-03,a,G1,2\n"
                                  "2026-05-01,,G1,1.5\n2026-05-02,,G3,0\n2026-05-03,,G3,NA\n";
    EXPECT_EQ(StepsOf(byStation),
              "2026-05-01: 1.5 - - (4)\n2026-05-02: - - 0 (2)\n2026-05-03: 2 - - (3)\n");
    ReadSeries(byStation, 4096, {}, &inFile);
    EXPECT_EQ(inFile, std::vector<bool>({true, false, true}));
    // By time, with tabs and a decimal comma.
    EXPECT_EQ(StepsOf("gauge_id\tdatetime\trainfall\nG1\t2026-05-01\t1,5\nG3\t2026-05-02\t0\n"
                      "G1\t2026-05-03\t2\n"),
              "2026-05-01: 1.5 - - (2)\n2026-05-02: - - 0 (3)\n2026-05-03: 2 - - (4)\n");
    // One instant written three ways is one step.
    EXPECT_EQ(StepsOf("station;time;value\nG1;2026-05-01T09:00+10:00;1,5\n"
                      "G2;2026-04-30T23:00Z;2\nG3;2026-04-30 22:00:00-01:00;0\n"),
              "2026-05-01T09:00+10:00: 1.5 2 0 (2)\n");
    // Columns that all name gauges are a wide series.
    const auto steps =
        ReadSeries("date,id,value\n2026-05-01,1,2\n", 4096, {}, nullptr, {"value", "id"});
    EXPECT_EQ(steps[0].values, std::vector<double>({2, 1}));
}

TEST(Series, OrdersTheLongFormsTimes)
{
    // ISO 8601 times in time order, as instants...
    EXPECT_EQ(TimesOf({"2026-05-02", "2026-05-01T23:59:59.999999999", "2026-05-01"}),
              "2026-05-01 | 2026-05-01T23:59:59.999999999 | 2026-05-02");
    EXPECT_EQ(TimesOf({"2026-05-01T10:00+10:00", "2026-04-30T23:30-01:00", "2026-04-30t23:45z"}),
              "2026-04-30t23:45z | 2026-05-01T10:00+10:00 | 2026-04-30T23:30-01:00");
    EXPECT_EQ(TimesOf({"2026-05-02 10:00", "\"2026-05-02T09:59:59,5\""}),
              "2026-05-02T09:59:59,5 | 2026-05-02 10:00");
    // ... others, and ISO times among them or mixing offsets with none, as
    // they first appear.
    for (const std::vector<std::string>& times : std::vector<std::vector<std::string>>{
             {"2026-05-02", "May 1"},
             {"2026-05-02", "2026-02-30"},
             {"2026-05-02", "2026-05-01T10:00:60"},
             {"2026-05-02", "2026-05-01T24:00"},
             {"2026-05-02", "2026-05-01T10:00:00.1234567890"},
             {"2026-05-02T00:00Z", "2026-05-01T00:00"},
             {"2026-05-02T00:00", "2026-05-01T00:00+0100"},
         })
        EXPECT_EQ(TimesOf(times), times[0] + " | " + times[1]);
}

TEST(Series, CountsTraceAsNone)
{
    // A token in both lists is missing.
    const SeriesOptions options{{"-9999", "M"}, {"T", "tr", "0.01", "M"}};
    EXPECT_EQ(StepsOf("time,G1,G2,G3\nt1,T,tr,0.01\nt2,-9999,M,0.02\n", options),
              "t1: 0 0 0 (2)\nt2: - - 0.02 (3)\n");
    EXPECT_EQ(StepsOf("station,time,value\nG1,t1,T\nG2,t1,M\n", options), "t1: 0 - - (2)\n");
    EXPECT_EQ(ErrorOf([&] { ReadSeries("time,G1\nt1,Tr\n", 4096, options); }),
              "series.csv, line 2, column 2 (G1): expected a number, a missing value (an empty "
              "field, NA, NaN, -9999, M) or a trace (T, tr, 0.01, M), not \"Tr\"");
}

TEST(Series, RefusesBadLongSeries)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"station,time,value\nG1,t1,1\nG2,t1,2\nG1,t2,3\nG1,t1,3\n",
         "series.csv, line 5, column 3 (value): a second value for the gauge \"G1\" at t1 (the "
         "first is on line 2)"},
        // The first in the file, though its step comes later; one instant.
        {"station,time,value\nG1,2026-05-02,1\nG1,2026-05-02T00:00:00.000,NA\n"
         "G2,2026-05-01 00:00,1\nG2,2026-05-01,2\n",
         "series.csv, line 3, column 3 (value): a second value for the gauge \"G1\" at "
         "2026-05-02T00:00:00.000 (the first is on line 2)"},
        {"station,time,value\n\"G1\",\"t\n1\",1\nG1,\"t\n1\",2\n",
         "series.csv, line 4, column 3 (value): a second value for the gauge \"G1\" at t?1 (the "
         "first is on line 2)"},
        {"station,date,time,value\n", "series.csv, line 1, column 3 (time): a second column "
                                      "for the time (the first is column 2, \"date\")"},
        {"station,time,value\nG1,t1,1\nG9,t1,1\n",
         "series.csv, line 3, column 1 (station): no gauge has the id \"G9\""},
        {"station,time,value\n,t1,1\n",
         "series.csv, line 2, column 1 (station): expected a gauge id, found an empty field"},
        {"station,time,value\nG1,,1\n",
         "series.csv, line 2, column 2 (time): expected a time, found an empty field"},
        {"station,time,value\nG1,t1,-1\n",
         "series.csv, line 2, column 3 (value): a negative rainfall, \"-1\"; if it marks missing "
         "values, name it with --missing"},
        {"station,time,value\nG1,t1\n",
         "series.csv, line 2, column 3 (value): the line has 2 fields, the header 3"},
    };
    ExpectRefused(cases);
}
