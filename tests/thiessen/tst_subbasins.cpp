// Sub-basins in one run: every feature of a layer a catchment of its own on
// one diagram of the gauges, checked against runs on each sub-basin alone
// (written out with GDAL), and against areas known by hand.

#include "tests/thiessen/run_command.h"

#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

namespace thiessen {
namespace {

const std::string Data = THIESSEN_TEST_DATA "/";

std::string WriteTemporary(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');)
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

// The sub-basins of a layer as WKT files, each the features whose field has
// its value, read by GDAL: the runs on them alone, which merge a collection's
// polygons, are what a run of all of them must agree with.
std::map<std::string, std::string> SubBasinFiles(const std::string& path, const char* field)
{
    GDALAllRegister();
    GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    std::map<std::string, std::vector<std::string>> parts;
    for (const auto& feature : *dataset->GetLayer(0)) {
        char* wkt = nullptr;
        feature->GetGeometryRef()->exportToWkt(&wkt, wkbVariantIso);
        parts[feature->GetFieldAsString(field)].emplace_back(wkt);
        CPLFree(wkt);
    }
    std::map<std::string, std::string> files;
    for (const auto& [name, wkts] : parts) {
        std::string text = wkts.size() == 1 ? wkts.front() : "GEOMETRYCOLLECTION (";
        for (std::size_t k = 0; k < wkts.size() && wkts.size() > 1; ++k)
            text += (k == 0 ? "" : ", ") + wkts[k] + (k + 1 == wkts.size() ? ")" : "");
        files[name] = WriteTemporary("basin-" + name + ".wkt", text);
    }
    return files;
}

// A run's rows keyed by their first fields: the sub-basin and gauge.
std::map<std::pair<std::string, std::string>, std::vector<double>> Keyed(const std::string& csv,
                                                                         std::size_t keys)
{
    std::map<std::pair<std::string, std::string>, std::vector<double>> rows;
    const std::vector<std::string> lines = Lines(csv);
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> fields = Fields(lines[k]);
        std::vector<double> values;
        for (std::size_t f = keys; f < fields.size(); ++f)
            values.push_back(fields[f].empty() ? NAN : std::stod(fields[f]));
        rows[{fields[0], keys == 2 ? fields[1] : std::string()}] = values;
    }
    return rows;
}

const std::string kTriangle = Data + "triangle.shp";
const std::string kLattice = Data + "triangle-gauges.csv";

// Seven counties in five districts, and 56 gauges on a lattice: each
// district's weights are those of a run on it alone, in the layer's order,
// with only the gauges of some area, summing to 1.
TEST(SubBasins, WeightsAsRunsOnEachAlone)
{
    const Outcome all = RunWith({"weights", "--by", "district", kLattice, kTriangle});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<std::string> lines = Lines(all.out);
    ASSERT_EQ(lines.front(), "catchment,id,area,weight");
    std::vector<std::string> order;
    std::map<std::string, double> sums;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> fields = Fields(lines[k]);
        if (order.empty() || order.back() != fields[0])
            order.push_back(fields[0]);
        EXPECT_GT(std::stod(fields[2]), 0) << lines[k];
        sums[fields[0]] += std::stod(fields[3]);
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"Granville", "Franklin", "Eno", "Neuse", "Chatham"}));
    for (const auto& [name, sum] : sums)
        EXPECT_NEAR(sum, 1, 1e-12) << name;

    const auto rows = Keyed(all.out, 2);
    std::size_t compared = 0;
    for (const auto& [name, file] : SubBasinFiles(kTriangle, "district")) {
        const Outcome alone = RunWith({"weights", kLattice, file});
        ASSERT_EQ(alone.status, 0) << alone.err;
        for (const auto& [key, values] : Keyed(alone.out, 1)) {
            const auto found = rows.find({name, key.first});
            if (values[0] == 0) {
                EXPECT_EQ(found, rows.end()) << name << ' ' << key.first;
                continue;
            }
            ASSERT_NE(found, rows.end()) << name << ' ' << key.first;
            EXPECT_NEAR(found->second[0], values[0], 1e-9 * values[0]) << name << ' ' << key.first;
            EXPECT_NEAR(found->second[1], values[1], 1e-12) << name << ' ' << key.first;
            ++compared;
        }
    }
    EXPECT_EQ(compared, rows.size());
}

// A series with gaps, where the lattice's cocircular gauges go missing:
// each district's rainfall is that of a run on it alone, in the wide and the
// long layout alike.
TEST(SubBasins, SeriesAsRunsOnEachAlone)
{
    std::string series = "time";
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 7; ++column)
            series += ",G" + std::to_string(row) + std::to_string(column);
    for (int step = 0; step < 12; ++step) {
        series += "\n2026-07-" + std::to_string(10 + step);
        for (int gauge = 0; gauge < 56; ++gauge) {
            const bool missing = (gauge * 7 + step * 3) % 5 == 0 || (step == 11 && gauge != 40);
            series += ',';
            if (!missing)
                series += std::to_string((gauge * 13 + step * 5) % 17) + ".5";
        }
    }
    const std::string file = WriteTemporary("lattice-series.csv", series + "\n");
    const Outcome wide = RunWith({"series", "--by", "district", kLattice, kTriangle, file});
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_EQ(Lines(wide.out).front(), "time,Granville,Franklin,Eno,Neuse,Chatham");
    const Outcome longForm =
        RunWith({"series", "--by", "district", "--long", kLattice, kTriangle, file});
    ASSERT_EQ(longForm.status, 0) << longForm.err;
    EXPECT_EQ(Lines(longForm.out).front(), "catchment,time,rainfall,gauges");
    const auto wideRows = Keyed(wide.out, 1);
    const auto longRows = Keyed(longForm.out, 2);
    ASSERT_EQ(longRows.size(), 12u * 5u);

    const std::vector<std::string> columns = Fields(Lines(wide.out).front());
    for (const auto& [name, basin] : SubBasinFiles(kTriangle, "district")) {
        const auto column = std::find(columns.begin(), columns.end(), name) - columns.begin() - 1;
        const Outcome alone = RunWith({"series", kLattice, basin, file});
        ASSERT_EQ(alone.status, 0) << alone.err;
        for (const auto& [time, values] : Keyed(alone.out, 1)) {
            EXPECT_NEAR(wideRows.at(time)[column], values[0], 1e-9) << name << ' ' << time.first;
            EXPECT_EQ(longRows.at({name, time.first})[0], wideRows.at(time)[column]);
            EXPECT_EQ(longRows.at({name, time.first})[1], values[1]);
        }
    }
    // The last step has one gauge, whose value every district takes exactly.
    EXPECT_EQ(Lines(wide.out).back(), "2026-07-21,14.5,14.5,14.5,14.5,14.5");
}

// Two squares that overlap, and a third feature of the first one's name:
// each sub-basin on its own, the features of one name as one, exactly; and
// a field with no value for some features names no sub-basins.
TEST(SubBasins, OverlappingAndSharedNames)
{
    GDALAllRegister();
    const std::string shapefile = testing::TempDir() + "overlap.shp";
    {
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
        GDALDatasetUniquePtr file(driver->Create(shapefile.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        ASSERT_NE(file, nullptr);
        OGRLayer* layer = file->CreateLayer("overlap", nullptr, wkbPolygon, nullptr);
        OGRFieldDefn name("name", OFTString), code("code", OFTString);
        layer->CreateField(&name);
        layer->CreateField(&code);
        for (const auto& [wkt, basin] : {std::pair{"POLYGON ((0 0, 10 0, 10 10, 0 10, 0 0))", "A"},
                                         {"POLYGON ((5 0, 15 0, 15 10, 5 10, 5 0))", "B"},
                                         {"POLYGON ((0 10, 10 10, 10 20, 0 20, 0 10))", "A"}}) {
            OGRFeature feature(layer->GetLayerDefn());
            feature.SetField("name", basin);
            if (basin == std::string_view("B"))
                feature.SetField("code", "b");
            OGRGeometry* geometry = nullptr;
            OGRGeometryFactory::createFromWkt(wkt, nullptr, &geometry);
            feature.SetGeometryDirectly(geometry);
            ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
        }
    }
    const std::string gauges = WriteTemporary("overlap-gauges.csv", "id,x,y\n"
                                                                    "W,2.5,5\n"
                                                                    "M,7.5,5\n"
                                                                    "E,12.5,5\n"
                                                                    "Far,40,5\n");
    const std::string cells = testing::TempDir() + "overlap.geojson";
    const Outcome run = RunWith({"weights", "--by", "name", "--cells", cells, gauges, shapefile});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "catchment,id,area,weight\n"
                       "A,W,100,0.5\n"
                       "A,M,100,0.5\n"
                       "B,M,50,0.5\n"
                       "B,E,50,0.5\n");
    // The cells too, a feature per sub-basin and gauge of some area there.
    std::ifstream json(cells);
    const std::string features((std::istreambuf_iterator<char>(json)), {});
    EXPECT_EQ(Lines(features).size(), 6u);
    EXPECT_NE(features.find("{\"catchment\":\"B\",\"id\":\"E\",\"area\":50,\"weight\":0.5}"),
              std::string::npos);
    const Outcome all = RunWith({"weights", "--by", "name", "--all", gauges, shapefile});
    EXPECT_EQ(Lines(all.out).size(), 9u);
    EXPECT_EQ(Lines(all.out)[4], "A,Far,0,0");
    // A feature without a name is refused.
    EXPECT_EQ(RunWith({"weights", "--by", "code", gauges, shapefile}).err,
              "thiessen: " + shapefile +
                  ": feature 1: no value in its field code, which names the sub-basins\n");
}

} // namespace
} // namespace thiessen
