// The thiessen command as a user runs it: its outputs, exit statuses and
// messages, on files whose answers are known by hand.

#include "tests/thiessen/run_command.h"
#include "thiessen/base/data_error.h"
#include "thiessen/command/series_run.h"
#include "thiessen/io/csv.h"
#include "thiessen/output/map_picture.h"
#include "thiessen/study/catchment.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
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
    // RAINFALL_UPDATE_PICTURES=1 writes them anew, to be looked at before
    // they are committed.
    if (std::getenv("RAINFALL_UPDATE_PICTURES")) {
        std::filesystem::copy_file(folder + "example.svg", THIESSEN_DOCS "/thiessen-example.svg",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(folder + "districts.svg",
                                   THIESSEN_DOCS "/thiessen-subbasins.svg",
                                   std::filesystem::copy_options::overwrite_existing);
    }
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

// The pictures' layout, checked on the shapes it describes: real boundaries
// with gauges inside and far outside them.
struct Drawn {
    std::unique_ptr<Geos> geos = std::make_unique<Geos>();
    Catchment catchment;
    MapPicture picture;
};

Drawn Draw(const std::string& gauges, const std::string& boundary, const std::string& by = {})
{
    Drawn drawn;
    CatchmentOptions options;
    options.basinField = by;
    // A bare name is the test data's; a path (with '\\' on Windows) is as given.
    const auto path = [](const std::string& name) {
        return name.find_first_of("/\\") == std::string::npos ? Data + name : name;
    };
    drawn.catchment = LoadCatchment(*drawn.geos, path(gauges), path(boundary), options);
    drawn.picture = LayOutMap(*drawn.geos, drawn.catchment);
    return drawn;
}

// Where the letters are: capitals with accents reach 0.9 of the size above
// the baseline, descenders 0.2 below.
PictureBox LetterBox(const PictureText& text)
{
    const double width = TextWidth(text.text, text.style.size, text.style.bold);
    const double left = text.anchor == TextAnchor::Start    ? text.at.x
                        : text.anchor == TextAnchor::Middle ? text.at.x - width / 2
                                                            : text.at.x - width;
    return {left, text.at.y - 0.9 * text.style.size, left + width,
            text.at.y + 0.2 * text.style.size};
}

std::string Caption(const MapPicture& picture)
{
    std::string caption;
    for (const PictureText& line : picture.caption)
        caption += line.text + ' ';
    return caption;
}

// Twelve gauges in a 4 by 3 grid 0.3 apart, the left column at left, in
// the 10 by 10 square; their names longer than the room between them.
std::string CrowdGauges(const std::string& file, double left, const std::string& name)
{
    const std::string path = testing::TempDir() + file;
    std::ofstream out(path);
    out << "id,x,y\n";
    for (int k = 0; k < 12; ++k)
        out << name << ' ' << k + 1 << ',' << left + 0.3 * (k % 4) << ',' << 4 + 0.3 * (k / 4)
            << '\n';
    return path;
}

// The Liberation Sans font file's advances (hmtx), summed by hand: the widths
// the layout reserves are never less, and not much more.
TEST(Picture, TextWidthsAsTheFontDraws)
{
    EXPECT_NEAR(TextWidth("Brook Farm", 12, true), 67.344, 1e-9); // 5612 thousandths
    EXPECT_NEAR(TextWidth("0.152", 11, false), 27.522, 1e-9);     // 2502
    EXPECT_NEAR(TextWidth("Wilkes", 12, false), 35.328, 1e-9);    // 2944
    // José 雨量: any other character taken for a whole em, once however many bytes.
    EXPECT_NEAR(TextWidth("Jos\u00e9 \u96e8\u91cf", 12, false), 58.008, 1e-9); // 1834 + 3000
}

// Labels never cover one another nor a gauge's dot; each lies inside the
// map, and a gauge's name beside its own dot. Twelve gauges crowd at the
// edge of a square, where names go every way and not all of them fit.
TEST(Picture, LabelsClearOfEachOther)
{
    const std::string crowd = CrowdGauges("crowd-gauges.csv", 0.2, "Station");
    // Against the square's edge, with no room for their long names on its
    // left.
    const std::string edge = CrowdGauges("edge-gauges.csv", 0.02, "Gauging station");
    const std::vector<Drawn> cases = [&crowd, &edge] {
        std::vector<Drawn> drawn;
        drawn.push_back(Draw("example-gauges.csv", "example-catchment.wkt"));
        drawn.push_back(Draw("nc-gauges-80.csv", "nc-counties.gpkg"));
        drawn.push_back(Draw("nc-gauges-80.csv", "nc-counties.gpkg", "NAME"));
        drawn.push_back(Draw("nyc-gauges.csv", "nyc-boroughs.geojson", "BoroName"));
        drawn.push_back(Draw(crowd, "square.wkt"));
        drawn.push_back(Draw(edge, "square.wkt"));
        return drawn;
    }();
    for (const Drawn& drawn : cases) {
        const MapPicture& picture = drawn.picture;
        ASSERT_FALSE(picture.labels.empty());
        for (std::size_t a = 0; a < picture.labels.size(); ++a) {
            const PictureBox box = LetterBox(picture.labels[a]);
            EXPECT_TRUE(box.left >= picture.map.left && box.top >= picture.map.top &&
                        box.right <= picture.map.right && box.bottom <= picture.map.bottom &&
                        picture.map.left >= 0 && picture.map.right <= picture.width)
                << picture.labels[a].text;
            for (std::size_t b = a + 1; b < picture.labels.size(); ++b)
                EXPECT_FALSE(box.Overlaps(LetterBox(picture.labels[b])))
                    << picture.labels[a].text << " and " << picture.labels[b].text;
            for (const PictureGauge& gauge : picture.gauges)
                EXPECT_FALSE(box.Overlaps({gauge.at.x - gauge.radius, gauge.at.y - gauge.radius,
                                           gauge.at.x + gauge.radius, gauge.at.y + gauge.radius}))
                    << picture.labels[a].text << " on a gauge";
        }
        for (const PictureGauge& gauge : picture.gauges)
            for (const PictureText& label : picture.labels)
                if (label.text == drawn.catchment.gauges.gauges[gauge.gauge].id) {
                    const PictureBox box = LetterBox(label);
                    EXPECT_LT(std::max({box.left - gauge.at.x, gauge.at.x - box.right,
                                        box.top - gauge.at.y, gauge.at.y - box.bottom}),
                              20)
                        << label.text;
                }
    }
    // Each weight lies wholly inside its own cell: the cell, of those whose
    // gauge has that weight, that holds the text's anchor.
    for (const Drawn* drawn : {&cases[0], &cases[1]}) {
        const Geos& geos = *drawn->geos;
        const MapPicture& p = drawn->picture;
        const auto inCell = [&](std::size_t cell, PicturePoint at) {
            const Geometry point = geos.Point(p.planeLeft + (at.x - p.map.left) / p.scale,
                                              p.planeTop - (at.y - p.map.top) / p.scale);
            return GEOSContains_r(geos.Handle(), &drawn->catchment.diagram->Cell(cell),
                                  point.get()) == 1;
        };
        std::size_t weights = 0;
        for (const PictureText& label : p.labels)
            for (std::size_t i = 0; i < drawn->catchment.diagram->Size(); ++i) {
                std::array<char, 16> weight{};
                std::snprintf(weight.data(), weight.size(), "%.3f", drawn->catchment.Weight(i));
                if (label.text != weight.data() || !inCell(i, label.at))
                    continue;
                const PictureBox box = LetterBox(label);
                for (const PicturePoint corner :
                     {PicturePoint{box.left, box.top}, PicturePoint{box.right, box.bottom},
                      PicturePoint{box.left, box.bottom}, PicturePoint{box.right, box.top}})
                    EXPECT_TRUE(inCell(i, corner)) << label.text;
                ++weights;
            }
        EXPECT_GE(weights, 5u);
    }
    EXPECT_NE(Caption(cases[4].picture).find(" gauges not named for lack of room."),
              std::string::npos);
    // The crowd's outer columns have room on their outer side.
    for (const char* name :
         {"Station 1", "Station 5", "Station 9", "Station 4", "Station 8", "Station 12"})
        EXPECT_TRUE(std::any_of(cases[4].picture.labels.begin(), cases[4].picture.labels.end(),
                                [&](const PictureText& label) { return label.text == name; }))
            << name;
    // North Carolina's smaller cells have no room for their weights, and
    // the caption says how many.
    const std::string caption = Caption(cases[1].picture);
    std::size_t weights = 0;
    for (const PictureText& label : cases[1].picture.labels)
        weights += label.text.rfind("0.", 0) == 0 ? 1 : 0;
    std::size_t owners = 0;
    for (std::size_t i = 0; i < cases[1].catchment.diagram->Size(); ++i)
        owners += cases[1].catchment.diagram->Area(i) > 0 ? 1 : 0;
    ASSERT_LT(weights, owners);
    EXPECT_NE(caption.find(std::to_string(owners - weights) + " weights not labelled for lack "
                                                              "of room."),
              std::string::npos)
        << caption;
}

// Every gauge that owns area is named and drawn inside the map; those with
// none are small rings without a name, or left out, as the caption counts.
TEST(Picture, GaugesThatOwnAreaNamedInView)
{
    for (const Drawn& drawn : {Draw("nc-gauges-80.csv", "nc-counties.gpkg"),
                               Draw("nyc-gauges.csv", "nyc-boroughs.geojson")}) {
        const MapPicture& picture = drawn.picture;
        const Diagram& diagram = *drawn.catchment.diagram;
        std::set<std::string> labels;
        for (const PictureText& label : picture.labels)
            labels.insert(label.text);
        std::size_t drawnWithoutArea = 0, owners = 0;
        for (const PictureGauge& gauge : picture.gauges) {
            const bool owns = diagram.Area(gauge.gauge) > 0;
            const std::string& id = drawn.catchment.gauges.gauges[gauge.gauge].id;
            EXPECT_EQ(gauge.ownsArea, owns) << id;
            EXPECT_EQ(labels.count(id), owns ? 1u : 0u) << id;
            EXPECT_TRUE(picture.map.Contains(gauge.at)) << id;
            drawnWithoutArea += owns ? 0 : 1;
            owners += owns ? 1 : 0;
        }
        std::size_t allOwners = 0;
        for (std::size_t i = 0; i < diagram.Size(); ++i)
            allOwners += diagram.Area(i) > 0 ? 1 : 0;
        EXPECT_EQ(owners, allOwners);
        const std::size_t leftOut = diagram.Size() - picture.gauges.size();
        ASSERT_GT(leftOut, 0u);
        EXPECT_NE(Caption(picture).find("The small rings are " + std::to_string(drawnWithoutArea) +
                                        " gauges with no area. " + std::to_string(leftOut) +
                                        " gauges with no area beyond the map are left out."),
                  std::string::npos)
            << Caption(picture);
        // The catchment and the gauges that own area fill the map: they
        // reach the room left for names (56 beside, 18.7 above and below)
        // at two opposite sides.
        double left = picture.width, right = 0, top = picture.height, bottom = 0;
        const auto extend = [&](PicturePoint p) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        };
        for (const auto& ring : picture.catchment)
            std::for_each(ring.begin(), ring.end(), extend);
        for (const PictureGauge& gauge : picture.gauges)
            if (gauge.ownsArea)
                extend(gauge.at);
        EXPECT_TRUE(right - left > picture.map.right - picture.map.left - 113 ||
                    bottom - top > picture.map.bottom - picture.map.top - 38.5);
    }
}

// The bar's drawn length is its stated length at the scale the gauges are
// drawn at: between two gauges of known distance, planar (unknown unit) and
// on the ellipsoid (km, from the geodesic between Raleigh-Durham airport and
// Fuquay-Varina).
TEST(Picture, ScaleBarTrueToTheMap)
{
    const auto at = [](const MapPicture& picture, std::size_t gauge) {
        for (const PictureGauge& drawn : picture.gauges)
            if (drawn.gauge == gauge)
                return drawn.at;
        ADD_FAILURE() << "gauge " << gauge << " not drawn";
        return PicturePoint{0, 0};
    };
    const auto round = [](double ground) {
        while (ground >= 10)
            ground /= 10;
        while (ground < 1)
            ground *= 10;
        return std::abs(ground - 1) < 1e-9 || std::abs(ground - 2) < 1e-9 ||
               std::abs(ground - 5) < 1e-9;
    };
    // Ashby (3, 11.5) and Dunmore (6.5, 5).
    const Drawn planar = Draw("example-gauges.csv", "example-catchment.wkt");
    const PicturePoint ashby = at(planar.picture, 0), dunmore = at(planar.picture, 3);
    const double perUnit =
        std::hypot(ashby.x - dunmore.x, ashby.y - dunmore.y) / std::hypot(3.5, 6.5);
    const ScaleBar& bar = planar.picture.scaleBar;
    EXPECT_NEAR(bar.length, bar.ground * perUnit, 1e-6 * bar.length);
    EXPECT_TRUE(round(bar.ground)) << bar.ground;
    EXPECT_GT(bar.length, 60);
    EXPECT_EQ(bar.unit, "in the files' unit");

    // RDU (-78.7875, 35.8776) and FQV (-78.8, 35.5843): 32.5625 km on the
    // WGS84 ellipsoid (PROJ's geod -I).
    const Drawn wake = Draw("wake-gauges.csv", "wake-feet.zip");
    const PicturePoint rdu = at(wake.picture, 0), fqv = at(wake.picture, 7);
    const double perKm = std::hypot(rdu.x - fqv.x, rdu.y - fqv.y) / 32.5625;
    const ScaleBar& km = wake.picture.scaleBar;
    EXPECT_NEAR(km.length, km.ground * perKm, 2e-3 * km.length);
    EXPECT_EQ(km.ground, 10);
    EXPECT_EQ(km.unit, "km");
    EXPECT_EQ(km.texts.back().text, "10 km");
    EXPECT_NEAR(km.texts.back().at.x, km.start.x + km.length, 1e-9);
}

// North only where the coordinate system is known, and up on a map centred
// on the catchment.
TEST(Picture, NorthWhereKnown)
{
    EXPECT_FALSE(Draw("example-gauges.csv", "example-catchment.wkt").picture.north);
    const auto north = Draw("nyc-gauges.csv", "nyc-boroughs.geojson").picture.north;
    ASSERT_TRUE(north);
    EXPECT_LT(north->tip.y, north->tail.y - 20);
    EXPECT_NEAR(north->tip.x, north->tail.x, 0.5);
    EXPECT_EQ(north->letter.text, "N");
}

// The legend lists the sub-basins in the layer's order, with their areas
// where they are known; a map without sub-basins has none.
TEST(Picture, LegendOfSubBasins)
{
    EXPECT_TRUE(Draw("example-gauges.csv", "example-catchment.wkt").picture.legend.empty());
    const MapPicture boroughs = Draw("nyc-gauges.csv", "nyc-boroughs.geojson", "BoroName").picture;
    std::vector<std::string> legend;
    for (const PictureText& entry : boroughs.legend)
        legend.push_back(entry.text.substr(0, entry.text.find(',')));
    EXPECT_EQ(legend, (std::vector<std::string>{"1  Staten Island", "2  Queens", "3  Brooklyn",
                                                "4  Manhattan", "5  Bronx"}));
    EXPECT_NE(boroughs.legend[3].text.find(" km\u00b2"), std::string::npos);
    ASSERT_TRUE(boroughs.legendTitle);
    // North Carolina's 100 counties each have their name or their number on
    // the map.
    const Drawn counties = Draw("nc-gauges-80.csv", "nc-counties.gpkg", "NAME");
    std::set<std::string> labels;
    for (const PictureText& label : counties.picture.labels)
        labels.insert(label.text);
    for (std::size_t b = 0; b < counties.catchment.subBasins.size(); ++b)
        EXPECT_TRUE(labels.count(counties.catchment.subBasins[b].name) +
                        labels.count(std::to_string(b + 1)) ==
                    1)
            << counties.catchment.subBasins[b].name;
    // Each sub-basin is named on the map, or numbered where its name has no
    // room (Manhattan is narrow).
    for (const char* name : {"Staten Island", "Queens", "Brooklyn", "Bronx"})
        EXPECT_TRUE(std::any_of(boroughs.labels.begin(), boroughs.labels.end(),
                                [&](const PictureText& label) { return label.text == name; }))
            << name;
}

// One colouring: in the gauges' order, each cell takes the least used colour
// its neighbours lack, the lowest of equals; neighbours never share one, and
// dark text keeps a contrast of 12:1 or more on every fill.
TEST(Picture, CellColours)
{
    // Ashby, Brook Farm, Castle Hill, Dunmore, Elmstead, Fenwick: each
    // touches all those before it but Ashby, Brook Farm and Castle Hill.
    const Drawn example = Draw("example-gauges.csv", "example-catchment.wkt");
    EXPECT_EQ(CellColours(*example.catchment.diagram), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    const Drawn state = Draw("nc-gauges-80.csv", "nc-counties.gpkg");
    const Diagram& diagram = *state.catchment.diagram;
    const std::vector<int> colours = CellColours(diagram);
    for (std::size_t i = 0; i < diagram.Size(); ++i)
        for (std::size_t n : diagram.Neighbours(i))
            EXPECT_NE(colours[i], colours[n]) << i << " and " << n;
    for (const Rgb& fill : CellPalette()) {
        const auto linear = [](int channel) {
            const double c = channel / 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        const double luminance =
            0.2126 * linear(fill.r) + 0.7152 * linear(fill.g) + 0.0722 * linear(fill.b);
        EXPECT_GE((luminance + 0.05) / 0.05, 12.0);
    }
}

// What the SVG says is what the layout holds: the texts at their places in
// the font and size measured for, north and the scale bar.
TEST(Picture, SvgAsLaidOut)
{
    // Names go left of the crowd's left column.
    const std::string folder = testing::TempDir();
    const std::string crowd = CrowdGauges("crowd-gauges.csv", 0.2, "Station");
    ASSERT_EQ(
        RunWith({"weights", "--picture", folder + "crowd.svg", crowd, Data + "square.wkt"}).status,
        0);
    std::ifstream crowdFile(folder + "crowd.svg");
    const std::string crowdSvg((std::istreambuf_iterator<char>(crowdFile)), {});
    const Drawn crowded = Draw(crowd, "square.wkt");
    // Each label where the layout put it, anchored as laid out.
    for (const PictureText& label : crowded.picture.labels) {
        std::array<char, 96> start{};
        std::snprintf(start.data(), start.size(),
                      "<text x=\"%.2f\" y=\"%.2f\" font-size=\"%.2f\"%s", label.at.x, label.at.y,
                      label.style.size,
                      label.anchor == TextAnchor::Start    ? ""
                      : label.anchor == TextAnchor::Middle ? " text-anchor=\"middle\""
                                                           : " text-anchor=\"end\"");
        EXPECT_NE(crowdSvg.find(start.data()), std::string::npos) << start.data();
    }

    ASSERT_EQ(RunWith({"weights", "--picture", folder + "nyc.svg", Data + "nyc-gauges.csv",
                       Data + "nyc-boroughs.geojson"})
                  .status,
              0);
    std::ifstream file(folder + "nyc.svg");
    const std::string svg((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(svg.find("font-family=\"Liberation Sans, Arial, Helvetica, sans-serif\""),
              std::string::npos);
    const Drawn drawn = Draw("nyc-gauges.csv", "nyc-boroughs.geojson");
    std::size_t texts = 0;
    for (std::size_t at = svg.find("<text "); at != std::string::npos;
         at = svg.find("<text ", at + 1))
        ++texts;
    EXPECT_EQ(texts, drawn.picture.labels.size() + drawn.picture.scaleBar.texts.size() + 1 +
                         drawn.picture.caption.size());
    EXPECT_NE(svg.find("font-size=\"12.00\" font-weight=\"bold\" stroke=\"#ffffff\""),
              std::string::npos);
    EXPECT_NE(svg.find(">10 km</text>"), std::string::npos);
    EXPECT_NE(svg.find(">N</text>"), std::string::npos);
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
