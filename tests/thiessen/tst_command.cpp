// The thiessen command as a user runs it: its outputs, exit statuses and
// messages, on files whose answers are known by hand.

#include "thiessen/command/command.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace thiessen {
namespace {

const std::string Data = THIESSEN_TEST_DATA "/";

struct Outcome {
    int status;
    std::string out, err;
};

std::string ReadAll(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

Outcome RunWith(const std::vector<std::string>& arguments)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = RunCommand(arguments, out, err);
    return {status, ReadAll(out), ReadAll(err)};
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// Four gauges in a 10 by 10 square, one in each quarter.
TEST(Command, WeightsOfFourQuarters)
{
    const Outcome run = RunWith({"weights", Data + "square-gauges.csv", Data + "square.wkt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "id,area,weight\nSW,25,0.25\nSE,25,0.25\nNW,25,0.25\nNE,25,0.25\n");
    EXPECT_EQ(run.err, "");
}

// Without NE the square is shared by SW (25), SE and NW (37.5 each); with no
// gauge at all there is no value, and the command says so.
TEST(Command, SeriesWithGaps)
{
    const Outcome run = RunWith({"series", "--missing=-9999", Data + "square-gauges.csv",
                                 Data + "square.wkt", Data + "square-series.csv"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "time,rainfall,gauges\n"
                       "2026-06-01 00:00,10,4\n"
                       "2026-06-01 01:00,8.5,3\n"
                       "2026-06-01 02:00,,0\n"
                       "2026-06-01 03:00,1,3\n");
    EXPECT_EQ(run.err, "thiessen: " + Data +
                           "square-series.csv: no gauge reported at 1 step (the first on line "
                           "4); the rainfall of that step is left empty\n");
}

// One gauge in the quadrangle from 10 to 11 degrees east and 52 to 53 north,
// whose area on the WGS84 ellipsoid is 7556.7359 square kilometres.
TEST(Command, GeographicAreasInSquareKilometres)
{
    const std::string gauges = testing::TempDir() + "lonlat-gauges.csv";
    const std::string boundary = testing::TempDir() + "quadrangle.wkt";
    std::ofstream(gauges) << "id,lon,lat\nmid,10.5,52.5\nfar,40,-10\n";
    std::ofstream wkt(boundary);
    wkt << "POLYGON((";
    // Parallels and meridians are curves on the map: many short sides.
    for (int i = 0; i < 1000; ++i)
        wkt << 10 + i / 1000.0 << " 52,";
    for (int i = 0; i < 1000; ++i)
        wkt << "11 " << 52 + i / 1000.0 << ",";
    for (int i = 0; i < 1000; ++i)
        wkt << 11 - i / 1000.0 << " 53,";
    for (int i = 0; i < 1000; ++i)
        wkt << "10 " << 53 - i / 1000.0 << ",";
    wkt << "10 52))";
    wkt.close();
    const Outcome run = RunWith({"weights", gauges, boundary});
    EXPECT_EQ(run.status, 0) << run.err;
    double area = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "id,area,weight\nmid,%lf,1\nfar,0,0\n", &area), 1)
        << run.out;
    EXPECT_NEAR(area, 7556.7359, 0.01);
}

struct Refusal {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string message; // the first line on standard error
};

// Named, so that the test's name stays the same from run to run.
void PrintTo(const Refusal& c, std::ostream* out)
{
    *out << c.name;
}

class Refused : public testing::TestWithParam<Refusal> {};

TEST_P(Refused, WithStatusAndMessage)
{
    const Outcome run = RunWith(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(FirstLine(run.err), GetParam().message);
    EXPECT_EQ(run.out, "");
    // A usage error shows the usage.
    EXPECT_EQ(run.err.find("\nUsage: thiessen weights") != std::string::npos,
              GetParam().status == 2);
}

const std::string Gauges = Data + "square-gauges.csv", Square = Data + "square.wkt";

INSTANTIATE_TEST_SUITE_P(
    Cases, Refused,
    testing::Values(
        Refusal{"noCommand", {}, 2, "thiessen: no command given"},
        Refusal{"unknownCommand", {"area", Gauges, Square}, 2, "thiessen: unknown command area"},
        Refusal{"fileMissing", {"weights", Gauges}, 2, "thiessen: weights takes 2 files, not 1"},
        Refusal{"unknownOption", {"series", "-x"}, 2, "thiessen: unknown option -x"},
        Refusal{"optionWithoutValue",
                {"weights", Gauges, Square, "--cells"},
                2,
                "thiessen: --cells needs a value"},
        Refusal{"optionOfTheOtherCommand",
                {"weights", "--missing", "-1", Gauges, Square},
                2,
                "thiessen: --missing belongs to series"},
        Refusal{"noSuchFile",
                {"weights", Gauges, Data + "nothing.wkt"},
                1,
                "thiessen: " + Data +
                    "nothing.wkt: the file cannot be opened: No such file or "
                    "directory"},
        Refusal{"pictureNowhere",
                {"weights", "--picture", Data + "no-folder/map.svg", Gauges, Square},
                1,
                "thiessen: cannot write " + Data + "no-folder/map.svg: No such file or directory"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST(Command, HelpAndVersion)
{
    const Outcome help = RunWith({"series", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(FirstLine(help.out), "thiessen - catchment rainfall by the Thiessen polygon method");
    const Outcome version = RunWith({"-v"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("thiessen ", 0), 0u);
}

// Files are written whole or not at all: where the name is taken by a folder,
// the folder stays as it was and no temporary file is left beside it.
TEST(Command, NothingHalfWritten)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(testing::TempDir()) / "thiessen-written";
    fs::remove_all(folder);
    fs::create_directories(folder / "taken.geojson");
    const Outcome refused =
        RunWith({"weights", "--cells", (folder / "taken.geojson").string(), Gauges, Square});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_directory(folder / "taken.geojson"));

    const Outcome written = RunWith({"weights", "--cells", (folder / "cells.geojson").string(),
                                     "--picture", (folder / "map.svg").string(), Gauges, Square});
    EXPECT_EQ(written.status, 0) << written.err;
    std::ifstream cells(folder / "cells.geojson");
    std::string firstFeature, secondLine;
    std::getline(cells, firstFeature);
    std::getline(cells, secondLine);
    const std::string feature = "{\"type\":\"Feature\",\"properties\":{\"id\":\"SW\",\"area\":25,"
                                "\"weight\":0.25},\"geometry\":{\"type\":\"Polygon\"";
    EXPECT_EQ(secondLine.substr(0, feature.size()), feature);
    EXPECT_TRUE(fs::file_size(folder / "map.svg") > 1000);
    cells.close(); // Windows removes no file that is still open
    fs::remove_all(folder);
}

} // namespace
} // namespace thiessen
