// The thiessen command as a user runs it: its outputs, exit statuses and
// messages, on files whose answers are known by hand.

#include "tests/thiessen/run_command.h"
#include "thiessen/base/data_error.h"
#include "thiessen/command/series_run.h"
#include "thiessen/io/csv.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace thiessen {
namespace {

const std::string Data = THIESSEN_TEST_DATA "/";

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
    EXPECT_EQ(run.err, "thiessen: neither " + Data + "square-gauges.csv nor " + Data +
                           "square.wkt names its coordinate system: the areas are in their "
                           "coordinates' unit, squared, whatever that is\n");
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

// What a series' numbers hide is said: gauges it never names, and steps
// where only gauges outside the catchment reported (one on its edge is
// inside). One value, or the same value everywhere, is that value to the last
// digit. With --long, the catchment is named by its file.
TEST(Command, SeriesSaysWhatTheNumbersHide)
{
    const std::string gauges = testing::TempDir() + "outside-gauges.csv";
    std::ofstream(gauges) << "id,x,y\nSW,2,2\nSE,8,2\nNW,2,8\nNE,10,8\nOUT,30,5\n";
    const std::string boundary = testing::TempDir() + "square.v2.wkt";
    std::ofstream(boundary) << "POLYGON((0 0, 10 0, 10 10, 0 10, 0 0))";
    const std::string series = testing::TempDir() + "outside-series.csv";
    std::ofstream(series) << "time,SW,SE,OUT,NE\n2026-06-01 00:00,2.6,,,\n2026-06-01 01:00,,,3,\n"
                             "2026-06-01 02:00,3.2,3.2,0.5,3.2\n2026-06-01 03:00,,,0.7,\n"
                             "2026-06-01 04:00,,,,T\n";
    const Outcome run = RunWith({"series", "--long", "--trace", "T", gauges, boundary, series});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "catchment,time,rainfall,gauges\nsquare.v2,2026-06-01 00:00,2.6,1\n"
                       "square.v2,2026-06-01 01:00,3,1\nsquare.v2,2026-06-01 02:00,3.2,4\n"
                       "square.v2,2026-06-01 03:00,0.7,1\nsquare.v2,2026-06-01 04:00,0,1\n");
    EXPECT_EQ(run.err, "thiessen: " + series +
                           ": 1 of the 5 gauges never appear in it (NW); they count as "
                           "missing at every step\nthiessen: " +
                           series +
                           ": at 2 steps (the first on line 3, 2026-06-01 01:00) only gauges "
                           "outside the catchment reported, so the rainfall there comes from "
                           "outside it\n");
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
        Refusal{"allWithoutSubBasins",
                {"weights", "--all", Gauges, Square},
                2,
                "thiessen: --all belongs to weights --by"},
        Refusal{"subBasinsOfWkt",
                {"weights", "--by", "name", Gauges, Square},
                1,
                "thiessen: " + Square +
                    ": a WKT file has no fields to name sub-basins; --by is for files that have"},
        Refusal{"subBasinsOfNoField",
                {"weights", "--by", "basin", Gauges, Data + "triangle.shp"},
                1,
                "thiessen: " + Data +
                    "triangle.shp: no field named \"basin\"; the fields are: NAME, district"},
        Refusal{"pictureOfASeries",
                {"series", "--picture", "s.svg", Gauges, Square, Data + "square-series.csv"},
                2,
                "thiessen: --cells and --picture belong to weights"},
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

// Steps handed over together; the one on the line bad is a bad line.
struct StepBatch : SeriesBatch {
    std::vector<SeriesStep> steps;
    long bad = 0;
    void ForEachStep(const std::function<void(const SeriesStep&)>& take) const override
    {
        for (const SeriesStep& step : steps) {
            if (step.line == bad)
                throw DataError("s.csv", bad, 2, "G00", "a bad value");
            take(step);
        }
    }
};

// A series handed over a hundred steps a batch, as the command reads a file
// on several threads; reading fails at the line unreadable.
class Batches : public SeriesSource {
public:
    Batches(const std::vector<SeriesStep>& steps, long unreadable, long bad)
        : steps_(steps), unreadable_(unreadable), bad_(bad)
    {
    }
    bool Next(SeriesStep&) override { return false; }
    std::unique_ptr<SeriesBatch> NextBatch(size_t) override
    {
        if (next_ == steps_.size())
            return nullptr;
        if (steps_[next_].line == unreadable_)
            throw DataError("s.csv", "the file could not be read");
        const std::size_t end = std::min(next_ + 100, steps_.size());
        auto batch = std::make_unique<StepBatch>();
        batch->steps.assign(steps_.begin() + next_, steps_.begin() + end);
        batch->bad = bad_;
        next_ = end;
        return batch;
    }
    const std::vector<bool>& GaugesInFile() const override { return inFile_; }

private:
    const std::vector<SeriesStep>& steps_;
    long unreadable_, bad_;
    std::size_t next_ = 0;
    std::vector<bool> inFile_;
};

// Batches computed on several threads are written in the file's order, their
// notes merged; a fault stops the run after the steps before it, and one at
// the first line leaves no output.
TEST(Command, SeriesInBatchesOnThreads)
{
    Geos geos;
    const Catchment catchment =
        LoadCatchment(geos, Data + "triangle-gauges.csv", Data + "triangle.shp");
    const std::size_t gauges = catchment.gauges.gauges.size();
    // Steps on lines 2 to 2001, with gaps at random, so that the threads
    // rebuild many groups of missing gauges at once; no gauge reports on line
    // 7 and every 97th after it; on the last, one alone.
    std::mt19937 random(7);
    std::vector<SeriesStep> steps;
    for (long k = 0; k < 2000; ++k) {
        SeriesStep& step = steps.emplace_back(SeriesStep{'t' + std::to_string(k), {}, k + 2});
        for (std::size_t gauge = 0; gauge < gauges; ++gauge) {
            const bool missing = k == 1999 ? gauge != 40 : k % 97 == 5 || random() % 4 == 0;
            step.values.push_back(missing ? NAN : (gauge * 13 + k * 5) % 17 + 0.5);
        }
    }
    const auto run = [&](unsigned threads, long unreadable, long bad) {
        Batches source(steps, unreadable, bad);
        std::FILE* out = std::tmpfile();
        std::string said;
        try {
            said = WriteSeries(source, catchment, std::vector<bool>(gauges, true),
                               {SeriesLayout::OneCatchment, {"triangle"}}, threads, out)
                       .Text("s.csv");
        } catch (const DataError& error) {
            said = error.what();
        }
        return ReadAll(out) + said;
    };
    const std::string inOrder = run(1, 0, 0);
    EXPECT_EQ(run(4, 0, 0), inOrder);
    EXPECT_TRUE(
        inOrder.ends_with("\nt1999,9.5,1\nthiessen: s.csv: no gauge reported at 21 steps (the "
                          "first on line 7); the rainfall of those steps is left empty\n"));
    const auto firstLines = [&](std::size_t count) {
        std::size_t end = 0;
        while (count-- > 0)
            end = inOrder.find('\n', end) + 1;
        return inOrder.substr(0, end);
    };
    EXPECT_EQ(run(4, 1202, 0), firstLines(1201) + "s.csv: the file could not be read");
    EXPECT_EQ(run(4, 0, 1252), firstLines(1251) + "s.csv, line 1252, column 2 (G00): a bad value");
    EXPECT_EQ(run(4, 0, 2), "s.csv, line 2, column 2 (G00): a bad value");
}

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

// The pictures are the ones in the README, drawn from the example files, from
// the triangle's districts and from Wake County's, where the catchment's area
// is given in km².
TEST(Command, PicturesAsShown)
{
    const std::string folder = testing::TempDir();
    const Outcome example = RunWith({"weights", "--picture", folder + "example.svg",
                                     Data + "example-gauges.csv", Data + "example-catchment.wkt"});
    const Outcome districts =
        RunWith({"weights", "--by", "district", "--picture", folder + "districts.svg",
                 Data + "triangle-gauges.csv", Data + "triangle.shp"});
    const Outcome wake = RunWith({"weights", "--picture", folder + "wake.svg",
                                  Data + "wake-gauges.csv", Data + "wake-feet.zip"});
    ASSERT_EQ(example.status + districts.status + wake.status, 0)
        << example.err << districts.err << wake.err;
    const auto read = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), {});
    };
    EXPECT_EQ(read(folder + "example.svg"), read(THIESSEN_DOCS "/thiessen-example.svg"));
    EXPECT_EQ(read(folder + "districts.svg"), read(THIESSEN_DOCS "/thiessen-subbasins.svg"));
    EXPECT_NE(read(folder + "wake.svg").find("the catchment's 2194.98 km\u00b2.</text>"),
              std::string::npos);
    // The README's example, byte for byte: the files' last digits are the
    // same on every system.
    EXPECT_EQ(wake.out, "id,area_km2,weight\n"
                        "RDU,218.00297956803385,0.09931886436586164\n"
                        "RAL,202.8128799162392,0.092398484424221\n"
                        "CRY,145.31080810074684,0.06620140912407982\n"
                        "WKF,352.9007547372561,0.1607762529842924\n"
                        "GAR,263.0321781583686,0.11983348703826054\n"
                        "APX,275.5581328124317,0.12554012276317084\n"
                        "KNI,426.80423638688995,0.1944455628472536\n"
                        "FQV,310.55862096567625,0.14148581645285818\n");
}

// Ids with blanks at either end or with quotes read back from the CSV
// written, by the program's own CSV reader.
TEST(Command, IdsReadBackAsWritten)
{
    const std::string gauges = testing::TempDir() + "odd-ids.csv";
    std::ofstream(gauges)
        << "id,x,y\n\" A\",2,2\n\"B \"\"q\"\" \",8,2\n\"C;\t<\",5,8\n\"D \",5,5\n";
    const std::string picture = testing::TempDir() + "odd-ids.svg";
    const Outcome run = RunWith({"weights", "--picture", picture, gauges, Square});
    ASSERT_EQ(run.status, 0) << run.err;
    csv::Reader reader(run.out, "weights.csv");
    reader.ReadHeader();
    std::vector<std::string> ids;
    while (reader.NextRecord()) {
        ids.emplace_back(reader.Field());
        reader.Field();
        reader.Field();
        reader.EndRecord();
    }
    EXPECT_EQ(ids, (std::vector<std::string>{" A", "B \"q\" ", "C;\t<", "D "}));
    // And in the picture, as XML text.
    std::ifstream svg(picture);
    const std::string text((std::istreambuf_iterator<char>(svg)), {});
    EXPECT_NE(text.find(">C;\t&lt;</text>"), std::string::npos);
    EXPECT_NE(text.find(">B &quot;q&quot; </text>"), std::string::npos);
}

#ifndef _WIN32
// What is not a regular file is written straight through, a replaced file
// keeps its permissions, and a failed write says why, never "Success".
TEST(Command, OutputFilesAsTheyAre)
{
    namespace fs = std::filesystem;
    const std::string folder = testing::TempDir() + "thiessen-outputs/";
    fs::remove_all(folder);
    fs::create_directories(folder);

    const std::string pipe = folder + "cells.pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] {
        std::ifstream in(pipe);
        piped.assign(std::istreambuf_iterator<char>(in), {});
    });
    const Outcome throughPipe = RunWith({"weights", "--cells", pipe, Gauges, Square});
    reader.join();
    EXPECT_EQ(throughPipe.status, 0) << throughPipe.err;
    EXPECT_EQ(piped.rfind("{\"type\":\"FeatureCollection\"", 0), 0u);
    EXPECT_TRUE(fs::is_fifo(pipe));

    const std::string picture = folder + "map.svg";
    std::ofstream(picture) << "old";
    fs::permissions(picture,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(RunWith({"weights", "--picture", picture, Gauges, Square}).status, 0);
    EXPECT_EQ(fs::status(picture).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_GT(fs::file_size(picture), 1000u);
    // A link keeps pointing at the file, which is written anew.
    const std::string link = folder + "link.svg";
    fs::create_symlink(picture, link);
    std::ofstream(picture) << "old";
    EXPECT_EQ(RunWith({"weights", "--picture", link, Gauges, Square}).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_GT(fs::file_size(picture), 1000u);

    const Outcome full = RunWith({"weights", "--cells", "/dev/full", Gauges, Square});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "thiessen: cannot write /dev/full: No space left on device\n");
    fs::remove_all(folder);
}
#endif

} // namespace
} // namespace thiessen
