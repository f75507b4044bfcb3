// Real GIS files as users bring them: every format read, coordinate systems,
// edges that follow parallels, the antimeridian and repaired rings, checked
// against the ellipsoid's own figures (closed forms, and the geodesic areas
// of PROJ's geodesic library) and by the messages a user reads.

#include "tests/thiessen/run_command.h"

#include <geodesic.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

namespace thiessen {
namespace {

const std::string Data = THIESSEN_TEST_DATA "/";

// The command's outcome, the test data's folder left out of its messages,
// which name the files as given.
Outcome Thiessen(const std::vector<std::string>& arguments)
{
    Outcome outcome = RunWith(arguments);
    for (size_t at; (at = outcome.err.find(Data)) != std::string::npos;)
        outcome.err.erase(at, Data.size());
    return outcome;
}

// The rows of a weights CSV: id -> (area, weight).
std::map<std::string, std::pair<double, double>> Rows(const std::string& csv)
{
    std::map<std::string, std::pair<double, double>> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        const size_t a = line.find(','), b = line.find(',', a + 1);
        rows[line.substr(0, a)] = {std::stod(line.substr(a + 1, b - a - 1)),
                                   std::stod(line.substr(b + 1))};
    }
    return rows;
}

// The same CSV, numbers to 1e-12 of their size: where known by hand, the
// computed areas' last digits need not be the exact ones.
void ExpectSameCsv(const std::string& actual, const std::string& expected)
{
    std::istringstream a(actual), e(expected);
    std::string x, y;
    while (std::getline(e, y, '\n')) {
        ASSERT_TRUE(std::getline(a, x, '\n')) << "missing: " << y;
        std::istringstream xs(x), ys(y);
        std::string xf, yf;
        while (std::getline(ys, yf, ',')) {
            ASSERT_TRUE(std::getline(xs, xf, ',')) << x << " against " << y;
            char* end = nullptr;
            const double number = std::strtod(yf.c_str(), &end);
            if (*end == '\0' && !yf.empty())
                EXPECT_NEAR(std::strtod(xf.c_str(), nullptr), number, 1e-12 * std::abs(number))
                    << x << " against " << y;
            else
                EXPECT_EQ(xf, yf);
        }
        EXPECT_FALSE(std::getline(xs, xf, ',')) << x << " against " << y;
    }
    EXPECT_FALSE(std::getline(a, x, '\n')) << "more: " << x;
}

std::string WriteTemporary(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const geod_geodesic& Wgs84()
{
    static const geod_geodesic geodesic = [] {
        geod_geodesic g;
        geod_init(&g, 6378137, 1 / 298.257223563);
        return g;
    }();
    return geodesic;
}

// The area in km² on the ellipsoid of a ring of longitudes and latitudes
// whose edges are straight in degrees: each edge is cut into 1,024 pieces,
// along which geodesics and straight lines in degrees part by millimetres.
double EllipsoidArea(const OGRLinearRing& ring)
{
    geod_polygon polygon;
    geod_polygon_init(&polygon, 0);
    for (int i = 0; i + 1 < ring.getNumPoints(); ++i)
        for (int k = 0; k < 1024; ++k) {
            const double t = k / 1024.0;
            geod_polygon_addpoint(&Wgs84(), &polygon,
                                  ring.getY(i) + t * (ring.getY(i + 1) - ring.getY(i)),
                                  ring.getX(i) + t * (ring.getX(i + 1) - ring.getX(i)));
        }
    double area = 0;
    geod_polygon_compute(&Wgs84(), &polygon, 0, 1, &area, nullptr);
    return std::abs(area) / 1e6;
}

double EllipsoidArea(const OGRGeometry& geometry)
{
    double area = 0;
    const auto polygonArea = [](const OGRPolygon& polygon) {
        double sum = EllipsoidArea(*polygon.getExteriorRing());
        for (int i = 0; i < polygon.getNumInteriorRings(); ++i)
            sum -= EllipsoidArea(*polygon.getInteriorRing(i));
        return sum;
    };
    if (wkbFlatten(geometry.getGeometryType()) == wkbPolygon)
        return polygonArea(*geometry.toPolygon());
    for (const OGRPolygon* polygon : *geometry.toMultiPolygon())
        area += polygonArea(*polygon);
    return area;
}

// Each feature of a GeoJSON file in longitude and latitude: its property
// named property, and its area on the ellipsoid (-1 for no geometry).
std::vector<std::pair<std::string, double>> FeatureAreas(const std::string& path,
                                                         const char* property)
{
    GDALAllRegister();
    GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    std::vector<std::pair<std::string, double>> areas;
    if (dataset == nullptr)
        return areas;
    for (const auto& feature : *dataset->GetLayer(0)) {
        const OGRGeometry* geometry = feature->GetGeometryRef();
        areas.emplace_back(feature->GetFieldAsString(property),
                           geometry != nullptr ? EllipsoidArea(*geometry) : -1);
    }
    return areas;
}

// The area in km² of the quadrangle between two meridians and two parallels
// on the WGS84 ellipsoid, in closed form.
double QuadrangleArea(double west, double south, double east, double north)
{
    constexpr double a = 6378137, f = 1 / 298.257223563;
    const double e2 = f * (2 - f), e = std::sqrt(e2);
    const auto q = [&](double latitude) {
        const double s = std::sin(latitude * std::numbers::pi / 180);
        return s / (1 - e2 * s * s) + std::atanh(e * s) / e;
    };
    return a * a * (1 - e2) / 2 * (east - west) * std::numbers::pi / 180 * (q(north) - q(south)) /
           1e6;
}

// Wake County, North Carolina, as its eight gauges share it, computed in
// longitude and latitude; every other system must give the same.
const std::map<std::string, std::pair<double, double>> kWake = {
    {"APX", {275.558132812, 0.125540122763}},  {"CRY", {145.310808101, 0.0662014091241}},
    {"FQV", {310.558620966, 0.141485816453}},  {"GAR", {263.032178158, 0.119833487038}},
    {"KNI", {426.804236387, 0.194445562847}},  {"RAL", {202.812879916, 0.0923984844242}},
    {"RDU", {218.002979568, 0.0993188643659}}, {"WKF", {352.900754737, 0.160776252984}},
};

// The Wake gauges once more: as x,y columns in degrees; as a GeoJSON layer
// whose id field is in capitals and whose first point is a MultiPoint; and
// files named in capitals.
const std::string kWakeXyDegrees = WriteTemporary(
    "wake-xy.csv", "id,x,y\nRDU,-78.7875,35.8776\nRAL,-78.6382,35.7796\nCRY,-78.7811,35.7915\n"
                   "WKF,-78.5097,35.9799\nGAR,-78.6142,35.7113\nAPX,-78.8503,35.7327\n"
                   "KNI,-78.4806,35.7876\nFQV,-78.8,35.5843\n");
std::string PointFeature(const char* id, const char* geometry)
{
    return std::string(R"({"type":"Feature","properties":{"ID":")") + id +
           R"(","height":3},"geometry":)" + geometry + "}";
}
const std::string kWakePointsGeoJson = WriteTemporary(
    "wake-points.geojson",
    R"({"type":"FeatureCollection","features":[)" +
        PointFeature("RDU", R"({"type":"MultiPoint","coordinates":[[-78.7875,35.8776]]})") + "," +
        PointFeature("RAL", R"({"type":"Point","coordinates":[-78.6382,35.7796]})") + "," +
        PointFeature("CRY", R"({"type":"Point","coordinates":[-78.7811,35.7915]})") + "," +
        PointFeature("WKF", R"({"type":"Point","coordinates":[-78.5097,35.9799]})") + "," +
        PointFeature("GAR", R"({"type":"Point","coordinates":[-78.6142,35.7113]})") + "," +
        PointFeature("APX", R"({"type":"Point","coordinates":[-78.8503,35.7327]})") + "," +
        PointFeature("KNI", R"({"type":"Point","coordinates":[-78.4806,35.7876]})") + "," +
        PointFeature("FQV", R"({"type":"Point","coordinates":[-78.8,35.5843]})") + "]}");
const std::string kCapitals = [] {
    const std::string folder = testing::TempDir() + "capitals/";
    std::filesystem::create_directories(folder);
    for (const auto& [from, to] : {std::pair{"wake-feet.shp", "WAKE.SHP"},
                                   {"wake-feet.shx", "WAKE.SHX"},
                                   {"wake-feet.dbf", "WAKE.DBF"},
                                   {"wake-feet.prj", "WAKE.PRJ"},
                                   {"wake-gauges.gpkg", "GAUGES.GPKG"},
                                   {"wake-feet.zip", "WAKE.ZIP"}})
        std::filesystem::copy_file(Data + from, folder + to,
                                   std::filesystem::copy_options::overwrite_existing);
    return folder;
}();

TEST(Gis, SameCatchmentInEveryFormatAndSystem)
{
    const std::string d = Data;
    const std::vector<std::string> runs[] = {
        {d + "wake-gauges.csv", d + "wake-lonlat.geojson"},
        {d + "wake-gauges.csv", d + "wake-utm.gpkg"},
        {d + "wake-gauges.csv", d + "wake-utm.fgb"},
#ifndef _WIN32 // the Windows GDAL has no KML reader
        {d + "wake-gauges.csv", d + "wake.kml"},
#endif
        {"--crs", "EPSG:32617", d + "wake-gauges-utm.csv", d + "wake-lonlat.geojson"},
        {d + "wake-gauges-feet.csv", d + "wake-feet.shp"},
        {d + "wake-gauges-feet.csv", d + "wake-feet.zip"},
        {"--gauges-layer", "gauges", "--id", "station_id", d + "wake-gauges.gpkg",
         d + "wake-feet.zip"},
        {"--crs", "EPSG:4979", kWakeXyDegrees, d + "wake-lonlat.geojson"},
        {"--gauges-layer", "gauges", "--id", "station_id", kCapitals + "GAUGES.GPKG",
         kCapitals + "WAKE.SHP"},
        {kWakePointsGeoJson, d + "wake-utm.gpkg"},
        {"--crs", "+proj=utm +zone=17 +ellps=WGS84 +towgs84=0,0,0 +units=m +type=crs",
         d + "wake-gauges-utm.csv", d + "wake-lonlat.geojson"},
        {d + "wake-gauges.csv", kCapitals + "WAKE.ZIP"},
        {"--crs", d + "wake-feet.prj", d + "wake-gauges-feet.csv", d + "wake-utm.gpkg"},
    };
    for (const auto& files : runs) {
        std::vector<std::string> arguments = {"weights"};
        arguments.insert(arguments.end(), files.begin(), files.end());
        const Outcome run = Thiessen(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "id,area_km2,weight");
        for (const auto& [id, row] : Rows(run.out)) {
            EXPECT_NEAR(row.first, kWake.at(id).first, 1e-6 * kWake.at(id).first) << id;
            EXPECT_NEAR(row.second, kWake.at(id).second, 1e-6 * kWake.at(id).second) << id;
        }
    }
    // The catchment's area is the ellipsoid's.
    double total = 0;
    for (const auto& [id, row] : kWake)
        total += row.first;
    EXPECT_NEAR(total, FeatureAreas(Data + "wake-lonlat.geojson", "NAME").at(0).second,
                1e-7 * total);
}

// A state drawn as a rectangle of four corners: its edges follow the
// parallels and meridians, so its area is the closed form's, and each cell
// is what a dense count of the nearest gauge gives. Once as WKT in degrees,
// which takes the gauges' longitude and latitude, once across Greenwich.
TEST(Gis, RectanglesAgainstTheEllipsoid)
{
    struct Rectangle {
        const char* file;
        double west, south, east, north;
        std::vector<std::pair<double, double>> gauges;
    };
    const Rectangle rectangles[] = {
        {"colorado.wkt",
         -109.05,
         37,
         -102.05,
         41,
         {{-108.5, 37.3},
          {-105.2, 37.1},
          {-102.3, 38.0},
          {-107.0, 39.5},
          {-104.9, 39.7},
          {-103.1, 40.8},
          {-108.8, 40.9},
          {-106.0, 40.6},
          {-105.5, 38.5},
          {-102.2, 37.05}}},
        {"greenwich.geojson", -2, 50.5, 3, 53, {{-1.5, 51}, {0.2, 52.8}, {2.5, 50.7}, {1, 51.9}}},
    };
    // Ids g0, g1...; written piece by piece, as GCC 12 for Windows warns of
    // an overlap that cannot be in "g" + std::to_string(i).
    const auto id = [](size_t i) { return std::string(1, 'g').append(std::to_string(i)); };
    for (const Rectangle& r : rectangles) {
        std::string csv = "id,lon,lat\n";
        for (size_t i = 0; i < r.gauges.size(); ++i)
            csv.append(id(i))
                .append(",")
                .append(std::to_string(r.gauges[i].first))
                .append(",")
                .append(std::to_string(r.gauges[i].second) + "\n");
        char outline[512];
        if (std::string(r.file).ends_with(".wkt"))
            std::snprintf(outline, sizeof outline, "POLYGON ((%g %g, %g %g, %g %g, %g %g, %g %g))",
                          r.west, r.south, r.east, r.south, r.east, r.north, r.west, r.north,
                          r.west, r.south);
        else
            std::snprintf(
                outline, sizeof outline,
                R"({"type":"Polygon","coordinates":[[[%g,%g],[%g,%g],[%g,%g],[%g,%g],[%g,%g]]]})",
                r.west, r.south, r.east, r.south, r.east, r.north, r.west, r.north, r.west,
                r.south);
        const Outcome run = Thiessen({"weights", WriteTemporary("rectangle-gauges.csv", csv),
                                      WriteTemporary(r.file, outline)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << r.file;
        const auto rows = Rows(run.out);
        double total = 0;
        for (const auto& [gauge, row] : rows)
            total += row.first;
        const double area = QuadrangleArea(r.west, r.south, r.east, r.north);
        EXPECT_NEAR(total, area, 3e-7 * area) << r.file;

        // Quadrangles of 0.02 degrees, each given to the gauge nearest its
        // middle along the ellipsoid.
        std::vector<double> counted(r.gauges.size());
        for (double lon = r.west; lon < r.east - 1e-9; lon += 0.02)
            for (double lat = r.south; lat < r.north - 1e-9; lat += 0.02) {
                size_t nearest = 0;
                double shortest = INFINITY;
                for (size_t g = 0; g < r.gauges.size(); ++g) {
                    double distance = 0;
                    geod_inverse(&Wgs84(), lat + 0.01, lon + 0.01, r.gauges[g].second,
                                 r.gauges[g].first, &distance, nullptr, nullptr);
                    if (distance < shortest) {
                        shortest = distance;
                        nearest = g;
                    }
                }
                counted[nearest] += QuadrangleArea(lon, lat, lon + 0.02, lat + 0.02);
            }
        for (size_t g = 0; g < r.gauges.size(); ++g)
            EXPECT_NEAR(rows.at(id(g)).first, counted[g], 0.003 * counted[g] + 20)
                << r.file << " " << g;
        if (std::string(r.file) == "greenwich.geojson") {
            // Closer than the count can tell: the map is centred on the
            // rectangle, not elsewhere, where it would bend the cells.
            EXPECT_NEAR(rows.at("g0").second, 0.24795708136, 1e-10);
            EXPECT_NEAR(rows.at("g3").second, 0.36293150249, 1e-10);
        }
    }
}

// Fiji lies across the antimeridian: as the world map splits it there, and
// written from 0 to 360 degrees, it is the same catchment, of the area its
// outlines have on the ellipsoid.
TEST(Gis, OutlineAcrossTheAntimeridian)
{
    const std::string cells = testing::TempDir() + "fiji-cells.geojson";
    const Outcome split =
        Thiessen({"weights", "--cells", cells, Data + "fiji-gauges.csv", Data + "fiji.geojson"});
    const Outcome shifted =
        Thiessen({"weights", Data + "fiji-gauges.csv", Data + "fiji-360.geojson"});
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(split.err, "");
    EXPECT_EQ(shifted.out, split.out);
    // Its cells as written before, to the last digit (their areas are
    // checked against the ellipsoid with Wake County's below).
    const auto read = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), {});
    };
    EXPECT_EQ(read(cells), read(Data + "fiji-cells.geojson"));
    const auto rows = Rows(split.out);
    EXPECT_NEAR(rows.at("Nadi").second, 0.59839459, 1e-6);
    EXPECT_NEAR(rows.at("Labasa").second, 0.29097190, 1e-6);
    EXPECT_NEAR(rows.at("Vuna").second, 0.11063351, 1e-6);
    const double total = rows.at("Nadi").first + rows.at("Labasa").first + rows.at("Vuna").first;
    EXPECT_NEAR(total, FeatureAreas(Data + "fiji.geojson", "name_long").at(0).second, 1e-6 * total);
}

// The cells written in longitude and latitude lie where they were computed:
// their areas on the ellipsoid are the areas given with them.
TEST(Gis, CellsInLongitudeAndLatitude)
{
    const std::string cells = testing::TempDir() + "wake-cells.geojson";
    // Charlotte lies far outside the county and owns none of it.
    const std::string gauges = WriteTemporary(
        "wake-and-charlotte.csv", "id,lon,lat\nRAL,-78.6382,35.7796\nCRY,-78.7811,35.7915\n"
                                  "WKF,-78.5097,35.9799\nCLT,-80.8431,35.2271\n");
    const Outcome run = Thiessen({"weights", "--cells", cells, gauges, Data + "wake-utm.gpkg"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = Rows(run.out);
    const auto areas = FeatureAreas(cells, "id");
    ASSERT_EQ(areas.size(), 4u);
    for (const auto& [id, area] : areas) {
        if (id == "CLT") {
            EXPECT_EQ(area, -1); // "geometry": null
            EXPECT_EQ(rows.at(id).first, 0);
        } else {
            EXPECT_NEAR(area, rows.at(id).first, 1e-5 * area) << id;
        }
    }
    // Outer rings counter-clockwise, as RFC 7946 has them.
    GDALDatasetUniquePtr written(GDALDataset::Open(cells.c_str(), GDAL_OF_VECTOR));
    for (const auto& feature : *written->GetLayer(0)) {
        if (const OGRGeometry* cell = feature->GetGeometryRef()) {
            EXPECT_FALSE(cell->toPolygon()->getExteriorRing()->isClockwise());
        }
    }
    written.reset();
    std::ifstream file(cells);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("\"id\":\"CLT\",\"area\":0,\"weight\":0},\"geometry\":null}"),
              std::string::npos);
}

TEST(Gis, RepairsRingsAndMergesFeatures)
{
    struct Case {
        std::string boundary;
        std::string out;
        std::string err;
    };
    const std::string square = Data + "square-gauges.csv";
    const std::string unknownUnit = "thiessen: neither square-gauges.csv nor ";
    const Case cases[] = {
        {Data + "bowtie.shp",
         "id,area,weight\nSW,8.928571428571429,0.2155172413793104\n"
         "SE,20,0.48275862068965525\nNW,0,0\nNE,12.5,0.30172413793103453\n",
         "thiessen: bowtie.shp: feature 1: repaired an invalid polygon: a ring crosses itself at "
         "(2.857142857142857, 2.857142857142857)\n" +
             unknownUnit +
             "bowtie.shp names its coordinate system: the areas are in their "
             "coordinates' unit, squared, whatever that is\n"},
        // A hole drawn as an inward loop of the outer ring, as shapefiles may.
        {WriteTemporary("inverted.wkt",
                        "POLYGON ((0 0, 10 0, 10 10, 5 10, 6 6, 4 6, 5 10, 0 10, 0 0))"),
         "id,area,weight\nSW,25,0.2604166666666667\nSE,25,0.2604166666666667\n"
         "NW,23,0.23958333333333334\nNE,23,0.23958333333333334\n",
         "thiessen: " + testing::TempDir() +
             "inverted.wkt: repaired an invalid polygon: a ring touches itself at (5, 10)\n" +
             unknownUnit + testing::TempDir() +
             "inverted.wkt names its coordinate system: the areas are in their "
             "coordinates' unit, squared, whatever that is\n"},
        {WriteTemporary("overlapping.geojson",
                        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{},"geometry":null},
            {"type":"Feature","properties":{},"geometry":{"type":"Polygon",
             "coordinates":[[[0,0],[0.06,0],[0.06,0.1],[0,0.1],[0,0]]]}},
            {"type":"Feature","properties":{},"geometry":{"type":"Polygon",
             "coordinates":[[[0.0412345,0],[0.1,0],[0.1,0.05],[0.0412345,0.05],[0.0412345,0]]]}}]})"),
         "",
         "thiessen: " + testing::TempDir() +
             "overlapping.geojson: merged its 2 features into one catchment; feature 2 "
             "and feature 3 overlap near (0.0506172, 0.025), and what overlaps counts once\n"},
        // A waist of 1e-13 degrees, which the map's micrometre grid closes:
        // made valid there, without a word, as the file's outline is valid.
        {WriteTemporary("waist.geojson", R"({"type":"Polygon","coordinates":[[[0,0],[1,0],
            [0.5,0.5],[1,1],[0,1],[0.5,0.5000000000001],[0,0]]]})"),
         "id,area_km2,weight\nA,3077.2508448411386,0.5000249555623519\n"
         "B,3076.943682070655,0.4999750444376483\n",
         ""},
        // The features of a WKT collection are numbered as in GeoJSON.
        {WriteTemporary("two.wkt", "GEOMETRYCOLLECTION (POLYGON ((0 0, 6 0, 6 10, 0 10, 0 0)), "
                                   "POLYGON ((4 0, 10 0, 10 10, 4 10, 4 0)))"),
         "",
         "thiessen: " + testing::TempDir() +
             "two.wkt: merged its 2 features into one catchment; feature 1 and feature 2 overlap "
             "near (5, 5), and what overlaps counts once\n" +
             unknownUnit + testing::TempDir() +
             "two.wkt names its coordinate system: the areas are in their coordinates' unit, "
             "squared, whatever that is\n"},
        // Make-valid of a collection: a bow-tie (250/7 + 40/7) and a square.
        {WriteTemporary("collection.wkt", "\xEF\xBB\xBFGEOMETRYCOLLECTION (MULTIPOLYGON (((0 0, "
                                          "10 10, 10 0, 0 4, 0 0)), ((20 0, 30 0, 30 10, 20 "
                                          "10, 20 0))))"),
         "id,area,weight\nSW,8.928571428571429,0.06313131313131314\nSE,70,0.494949494949495\n"
         "NW,0,0\nNE,62.5,0.44191919191919193\n",
         "thiessen: " + testing::TempDir() +
             "collection.wkt: repaired an invalid polygon: a ring crosses itself at "
             "(2.857142857142857, 2.857142857142857)\n" +
             unknownUnit + testing::TempDir() +
             "collection.wkt names its coordinate system: the areas are in their "
             "coordinates' unit, squared, whatever that is\n"},
    };
    for (const Case& c : cases) {
        const bool degrees = c.boundary.ends_with(".geojson");
        const std::string gauges = c.boundary.ends_with("waist.geojson")
                                       ? "id,lon,lat\nA,0.5,0.2\nB,0.5,0.8\n"
                                       : "id,lon,lat\nA,0.02,0.05\nB,0.08,0.05\n";
        const Outcome run =
            Thiessen({"weights", degrees ? WriteTemporary("g.csv", gauges) : square, c.boundary});
        EXPECT_EQ(run.status, 0) << run.err;
        if (!c.out.empty())
            ExpectSameCsv(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
    const Outcome counties =
        Thiessen({"weights", Data + "wake-gauges.csv", Data + "nc-counties.gpkg"});
    EXPECT_EQ(counties.err, "thiessen: nc-counties.gpkg: merged its 100 features into one "
                            "catchment\n");
}

struct Refusal {
    const char* name;
    std::vector<std::string> arguments; // in the data folder
    std::string message;                // the whole of standard error
};

void PrintTo(const Refusal& c, std::ostream* out)
{
    *out << c.name;
}

class RefusedOrWarned : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedOrWarned, WithItsMessage)
{
    std::vector<std::string> arguments = {"weights"};
    // Bare file names are the test data's; options, their values and paths
    // stay as they are.
    bool value = false;
    for (const std::string& argument : GetParam().arguments) {
        const bool option = argument.starts_with("--");
        arguments.push_back(option || value || std::filesystem::path(argument).has_parent_path()
                                ? argument
                                : Data + argument);
        value = option;
    }
    const Outcome run = Thiessen(arguments);
    EXPECT_EQ(run.err, GetParam().message);
    const std::string& message = GetParam().message;
    EXPECT_EQ(run.status,
              message.empty() || message.find("lie far outside") != std::string::npos ? 0 : 1);
}

const std::string kSwappedGauges = WriteTemporary(
    "swapped.csv",
    "id,lon,lat\nRAL,35.7796,-78.6382\nCRY,35.7915,-78.7811\nWKF,35.9799,-78.5097\n");
const std::string kLonelyShapefile = [] {
    const std::string path = testing::TempDir() + "lonely.shp";
    std::filesystem::copy_file(Data + "wake-feet.shp", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
}();
const std::string kFeetWkt = WriteTemporary(
    "feet.wkt", "POLYGON ((2000000 600000, 2200000 600000, 2200000 850000, 2000000 850000, "
                "2000000 600000))");
const std::string kLonLatAsXy =
    WriteTemporary("xy-degrees.csv", "id,x,y\nRAL,-78.6382,35.7796\nCRY,-78.7811,35.7915\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedOrWarned,
    testing::Values(
        Refusal{"utmGaugesWithALonLatBoundary",
                {"wake-gauges-utm.csv", "wake-lonlat.geojson"},
                "thiessen: wake-gauges-utm.csv: the gauges' x and y reach from (694413.684774, "
                "3940070.361279) to (727698.243217, 3984586.747067), which is not longitude and "
                "latitude, but the boundary wake-lonlat.geojson is in longitude and latitude (WGS "
                "84); give the gauges' coordinate system with --crs, such as --crs EPSG:32617 for "
                "UTM zone 17N\n"},
        Refusal{"lonLatGaugesNamedXy",
                {kLonLatAsXy, "wake-feet.shp"},
                "thiessen: " + kLonLatAsXy +
                    ": the gauges' x and y look like longitude and latitude (they reach from "
                    "(-78.7811, 35.7796) to (-78.6382, 35.7915)), but the boundary wake-feet.shp "
                    "is in NAD83 / North Carolina (ftUS), whose coordinates reach from "
                    "(2000428.196490756, 644326.8173511557) to (2221087.7054543393, "
                    "843328.4115298227); if they are longitude and latitude, name the columns "
                    "lon,lat; otherwise give their coordinate system with --crs\n"},
        Refusal{"lonLatGaugesWithAPlanarBoundary",
                {"wake-gauges.csv", kFeetWkt},
                "thiessen: " + kFeetWkt +
                    ": the gauges are given in longitude and latitude, so the boundary must be "
                    "too, but its coordinates reach from (2000000, 600000) to (2200000, 850000); "
                    "give the boundary in a file that names its coordinate system (a GeoPackage, "
                    "or a shapefile with its .prj)\n"},
        Refusal{"planarBoundaryTakenForDegrees",
                {"wake-gauges.csv", "example-catchment.wkt"},
                "thiessen: wake-gauges.csv: 8 of the 8 gauges lie far outside the catchment, the "
                "nearest of them 8406 km from it; swapping longitude and latitude would not put "
                "them inside\n"},
        Refusal{"swappedLonLat",
                {kSwappedGauges, "wake-lonlat.geojson"},
                "thiessen: " + kSwappedGauges +
                    ": 3 of the 3 gauges lie far outside the catchment, the nearest of them 14375 "
                    "km from it; with longitude and latitude swapped, 3 of them would lie inside "
                    "it: are the two the wrong way round?\n"},
        Refusal{"wrongCrs",
                {"--crs", "EPSG:32633", "wake-gauges-utm.csv", "wake-lonlat.geojson"},
                "thiessen: wake-gauges-utm.csv: 8 of the 8 gauges lie far outside the catchment, "
                "the nearest of them 8214 km from it\n"},
        Refusal{"crsOfAFileThatHasOne",
                {"--crs", "EPSG:32617", "wake-gauges.csv", "wake-lonlat.geojson"},
                "thiessen: wake-gauges.csv: the file gives its coordinate system (WGS 84); --crs "
                "is for gauges whose file gives none\n"},
        Refusal{"crsUnknownToProj",
                {"--crs", "EPSG:999999", "wake-gauges-utm.csv", "wake-lonlat.geojson"},
                "thiessen: --crs EPSG:999999: the coordinate system cannot be read; expected an "
                "EPSG code (EPSG:32617), WKT or a PROJ string\n"},
        Refusal{"severalPolygonLayers",
                {"wake-gauges.csv", "two-layers.gpkg"},
                "thiessen: two-layers.gpkg: the file has several polygon layers (counties, lakes); "
                "choose one with --layer\n"},
        Refusal{"noSuchLayer",
                {"--layer", "rivers", "wake-gauges.csv", "two-layers.gpkg"},
                "thiessen: two-layers.gpkg: no layer named \"rivers\"; the file's layers are: "
                "counties, lakes\n"},
        Refusal{"severalIdFields",
                {"--gauges-layer", "gauges", "wake-gauges.gpkg", "wake-utm.gpkg"},
                "thiessen: wake-gauges.gpkg: several fields could hold the gauges' ids "
                "(station_id, name); choose one with --id\n"},
        Refusal{"noSuchIdField",
                {"--gauges-layer", "gauges", "--id", "code", "wake-gauges.gpkg", "wake-utm.gpkg"},
                "thiessen: wake-gauges.gpkg: no field named \"code\"; the fields are: "
                "station_id, name\n"},
        Refusal{"gaugesAsBoundary",
                {"wake-gauges.csv", "wake-gauges.gpkg"},
                "thiessen: wake-gauges.gpkg: the file has no polygon layer; its layers are: "
                "gauges, wells\n"},
        Refusal{"linesAsBoundary",
                {"square-gauges.csv", "river.shp"},
                "thiessen: river.shp: the file has no polygon layer; its layers are: river\n"},
        Refusal{"severalPointLayers",
                {"--id", "station_id", "wake-gauges.gpkg", "wake-utm.gpkg"},
                "thiessen: wake-gauges.gpkg: the file has several point layers (gauges, wells); "
                "choose one with --gauges-layer\n"},
        Refusal{"sameIdTwiceInALayer",
                {WriteTemporary(
                     "twice.geojson",
                     R"({"type":"FeatureCollection","features":[)" +
                         PointFeature("A", R"({"type":"Point","coordinates":[0,0]})") + "," +
                         PointFeature("A", R"({"type":"Point","coordinates":[1,0]})") + "]}"),
                 "wake-lonlat.geojson"},
                "thiessen: " + testing::TempDir() +
                    "twice.geojson: feature 2: the id \"A\" is already used by feature 1\n"},
        Refusal{
            "ringOfTwoCorners",
            {"wake-gauges.csv",
             WriteTemporary("two-corners.geojson",
                            R"({"type":"MultiPolygon","coordinates":[[[[0,0],[1,0],[1,1],[0,0]]],
                                   [[[5,5],[6,6],[5,5]]]]})")},
            "thiessen: " + testing::TempDir() +
                "two-corners.geojson: feature 1: a ring needs at least 3 corners, it has 2\n"},
        Refusal{"textAfterTheWkt",
                {"square-gauges.csv",
                 WriteTemporary("semicolon.wkt", "POLYGON ((0 0, 1 0, 1 1, 0 0));")},
                "thiessen: " + testing::TempDir() +
                    "semicolon.wkt, line 1: text after the first geometry; several polygons go in "
                    "one MULTIPOLYGON or GEOMETRYCOLLECTION\n"},
        Refusal{"beyondThePoles",
                {"--crs", "EPSG:4326", WriteTemporary("polar.csv", "id,x,y\nA,10,95\n"),
                 "wake-lonlat.geojson"},
                "thiessen: " + testing::TempDir() +
                    "polar.csv: the gauges are in longitude and latitude (WGS 84), but their y "
                    "reach from (10, 95) to (10, 95), beyond the poles\n"},
        Refusal{"beyondThePolesInACompoundSystem",
                {"--crs", "EPSG:4326+5773", WriteTemporary("polar.csv", "id,x,y\nA,10,95\n"),
                 "wake-lonlat.geojson"},
                "thiessen: " + testing::TempDir() +
                    "polar.csv: the gauges are in longitude and latitude (WGS 84), but their y "
                    "reach from (10, 95) to (10, 95), beyond the poles\n"},
        Refusal{
            "boundaryBeyondThePoles",
            {"square-gauges.csv",
             WriteTemporary("polar.geojson",
                            R"({"type":"Polygon","coordinates":[[[0,7],[10,0],[10,160],[1,0]]]})")},
            "thiessen: " + testing::TempDir() +
                "polar.geojson: its latitudes reach 160, beyond the poles; is it in longitude "
                "and latitude?\n"},
        Refusal{"halfTheGaugesFar",
                {WriteTemporary("half-far.csv", "id,lon,lat\nRAL,-78.6382,35.7796\n"
                                                "CRY,-78.7811,35.7915\nCLT,-80.8431,35.2271\n"
                                                "AVL,-82.5515,35.5951\n"),
                 "wake-lonlat.geojson"},
                ""},
        Refusal{"noSuchFile",
                {"wake-gauges.csv", "/nowhere/wake.gpkg"},
                "thiessen: /nowhere/wake.gpkg: the file cannot be opened: No such file or "
                "directory\n"},
        Refusal{"shapefileWithoutIndex",
                {"wake-gauges.csv", kLonelyShapefile},
                "thiessen: " + kLonelyShapefile +
                    ": the shapefile's index lonely.shx is missing; a shapefile is a .shp with "
                    "its .shx and .dbf beside it\n"},
        Refusal{"emptyWkt",
                {"square-gauges.csv", WriteTemporary("empty.wkt", "POLYGON EMPTY")},
                "thiessen: " + testing::TempDir() +
                    "empty.wkt: the boundary is empty; expected at least one polygon\n"},
        Refusal{"zeroArea",
                {"square-gauges.csv", WriteTemporary("line.wkt", "POLYGON ((0 0, 1 0, 2 0, 0 0))")},
                "thiessen: " + testing::TempDir() + "line.wkt: the boundary has zero area\n"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

#ifdef _WIN32 // the Windows GDAL has no KML or GML reader
const std::string kMoreFormats = " or WKT (.wkt)\n";
#else
const std::string kMoreFormats = ", KML (.kml), GML (.gml) or WKT (.wkt)\n";
#endif

// Bytes that are not what their names say: no parser's own words reach the
// user, and a GeoPackage named .geojson is read for what it is.
TEST(Gis, FilesThatAreNotWhatTheySeem)
{
    const std::string garbage = WriteTemporary("garbage.geojson", "{\"type\": \"Polygon\", [[");
    const Outcome refused = Thiessen({"weights", Data + "wake-gauges.csv", garbage});
    EXPECT_EQ(refused.err, "thiessen: " + garbage +
                               ": the file cannot be read as any of the formats this program "
                               "reads: GeoPackage (.gpkg), shapefile (.shp, or zipped .zip), "
                               "GeoJSON (.geojson, .json), FlatGeobuf (.fgb)" +
                               kMoreFormats);
    const std::string renamed = testing::TempDir() + "renamed.geojson";
    std::filesystem::copy_file(Data + "wake-utm.gpkg", renamed,
                               std::filesystem::copy_options::overwrite_existing);
    const Outcome read = Thiessen({"weights", Data + "wake-gauges.csv", renamed});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NEAR(Rows(read.out).at("RAL").second, kWake.at("RAL").second, 1e-6);
    // An unclosed ring is closed, as GeoJSON readers do.
    const Outcome unclosed = Thiessen(
        {"weights", WriteTemporary("g.csv", "id,lon,lat\nA,0.5,0.5\n"),
         WriteTemporary("open.geojson",
                        R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,1]]]})")});
    EXPECT_EQ(unclosed.out.substr(unclosed.out.find('\n') + 1, 4), "A,12");
    const Outcome unclosedWkt = Thiessen({"weights", Data + "square-gauges.csv",
                                          WriteTemporary("open.wkt", "POLYGON ((0 0, 1 0, 1 1))")});
    EXPECT_EQ(unclosedWkt.err, "thiessen: " + testing::TempDir() +
                                   "open.wkt: a ring is not closed; its last point must be its "
                                   "first\n");
}

} // namespace
} // namespace thiessen
