// The equal-area projection: its coordinates against PROJ's command-line
// tool on grids of points around several centres, and the areas it keeps.
#include "thiessen/projection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using thiessen::EqualAreaProjection;

namespace {

struct Centre {
    double longitude;
    double latitude;
};

const Centre centres[] = {
    {10, 52},       // central Europe
    {-70.5, -33.5}, // the southern hemisphere
    {179.9, -17.5}, // beside the antimeridian, with points across it
    {16, 78},       // high latitude
    {-60, 0},       // on the equator
    {45, -90},      // at the south pole
};

struct LonLat {
    double longitude;
    double latitude;
};

// Points up to 5 degrees of longitude and 3 of latitude from the centre, with
// longitudes in [-180, 180] so that some lie across the antimeridian.
std::vector<LonLat> GridAround(Centre centre)
{
    std::vector<LonLat> points;
    for (double dLat : {-3.0, -1.25, 0.0, 0.5, 2.75})
        for (double dLon : {-5.0, -0.3, 0.0, 1.7, 4.5})
            points.push_back({std::remainder(centre.longitude + dLon, 360.0),
                              std::clamp(centre.latitude + dLat, -90.0, 90.0)});
    return points;
}

// PROJ's own Lambert azimuthal equal-area coordinates of the points, in
// metres to the nanometre.
std::vector<EqualAreaProjection::Point> ProjCoordinates(Centre centre,
                                                        const std::vector<LonLat>& points)
{
    std::string input;
    char line[100];
    for (LonLat point : points) {
        std::snprintf(line, sizeof line, "%.17g %.17g\n", point.longitude, point.latitude);
        input += line;
    }
    char options[200];
    std::snprintf(options, sizeof options,
                  "proj +proj=laea +lat_0=%.17g +lon_0=%.17g +ellps=WGS84 -f %%.9f",
                  centre.latitude, centre.longitude);
    std::string command = "printf %s '" + input + "' | " + options;
    std::vector<EqualAreaProjection::Point> coordinates;
    FILE* output = popen(command.c_str(), "r");
    EqualAreaProjection::Point point;
    while (output != nullptr && std::fscanf(output, "%lf %lf", &point.x, &point.y) == 2)
        coordinates.push_back(point);
    if (output != nullptr)
        pclose(output);
    return coordinates;
}

// The area of the image of the quadrangle one degree square with the given
// south-west corner, its sides cut into many short straight pieces.
double ProjectedQuadrangleArea(const EqualAreaProjection& projection, double west, double south)
{
    const LonLat corners[] = {
        {west, south}, {west + 1, south}, {west + 1, south + 1}, {west, south + 1}};
    const int steps = 2000;
    std::vector<EqualAreaProjection::Point> ring;
    for (int side = 0; side < 4; ++side) {
        LonLat from = corners[side], to = corners[(side + 1) % 4];
        for (int i = 0; i < steps; ++i) {
            double t = double(i) / steps;
            ring.push_back(projection.Forward(from.longitude + t * (to.longitude - from.longitude),
                                              from.latitude + t * (to.latitude - from.latitude)));
        }
    }
    double twiceArea = 0; // the shoelace formula
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        twiceArea += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
    return std::abs(twiceArea) / 2;
}

} // namespace

// Both evaluate the same closed formulas in double precision, so they differ
// by rounding only: some nanometres at a few hundred kilometres, where one
// unit in the last place is 6e-11 m. Near a pole both lose digits, since the
// authalic latitude is flat there: half a degree from the south pole PROJ is
// 3e-7 m and this projection 8e-8 m from a 50-digit evaluation. A micrometre
// allows for that and is still below the smallest slip of a constant: GRS80's
// flattening for WGS84's moves these points by 4 to 11 micrometres.
TEST(EqualAreaProjection, AgreesWithProj)
{
    if (std::system("command -v proj >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "PROJ's command-line tools are not installed (Debian package proj-bin)";
    const double tolerance = 1e-6;
    for (Centre centre : centres) {
        std::vector<LonLat> points = GridAround(centre);
        std::vector<EqualAreaProjection::Point> expected = ProjCoordinates(centre, points);
        ASSERT_EQ(expected.size(), points.size()) << "proj did not answer for every point";
        EqualAreaProjection projection(centre.longitude, centre.latitude);
        double largest = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            EqualAreaProjection::Point actual =
                projection.Forward(points[i].longitude, points[i].latitude);
            SCOPED_TRACE(testing::Message()
                         << "centre " << centre.longitude << ' ' << centre.latitude << ", point "
                         << points[i].longitude << ' ' << points[i].latitude);
            EXPECT_NEAR(actual.x, expected[i].x, tolerance);
            EXPECT_NEAR(actual.y, expected[i].y, tolerance);
            largest = std::max(
                {largest, std::abs(actual.x - expected[i].x), std::abs(actual.y - expected[i].y)});
        }
        std::printf("centre %g %g: largest difference from PROJ %.2g m\n", centre.longitude,
                    centre.latitude, largest);
    }
}

// A quadrangle of one degree keeps its area on the ellipsoid, near the centre
// and a few hundred kilometres from it. The areas were integrated numerically
// from the ellipsoid's radii of curvature.
TEST(EqualAreaProjection, KeepsAreas)
{
    struct Case {
        Centre centre;
        double west;
        double south;
        double area; // square metres
    };
    const Case cases[] = {
        {{10, 52}, 10, 52, 7556735896.471253},
        {{10, 52}, 13, 52, 7556735896.471253},
        {{10, 52}, 7, 49, 8056245437.271028},
        {{-70.5, -33.5}, -71, -34, 10306222570.728687},
        {{179.9, -17.5}, 179.5, -17.5, 11784560836.248598},
        {{16, 78}, 14, 77, 2698461109.8213468},
        {{-60, 0}, -57, 0, 12308463893.97535},
    };
    for (const Case& c : cases) {
        EqualAreaProjection projection(c.centre.longitude, c.centre.latitude);
        EXPECT_NEAR(ProjectedQuadrangleArea(projection, c.west, c.south), c.area, c.area * 1e-9)
            << "quadrangle at " << c.west << ' ' << c.south;
    }
}

// Back from the map: the cells of geographic gauges are written in degrees.
TEST(EqualAreaProjection, InverseReturnsThePoint)
{
    for (Centre centre : centres) {
        EqualAreaProjection projection(centre.longitude, centre.latitude);
        for (LonLat point : GridAround(centre)) {
            if (std::abs(point.latitude) == 90)
                continue; // every longitude is the pole
            const auto map = projection.Forward(point.longitude, point.latitude);
            const auto back = projection.Inverse(map.x, map.y);
            EXPECT_NEAR(std::remainder(back.x - point.longitude, 360.0), 0, 1e-9);
            EXPECT_NEAR(back.y, point.latitude, 1e-9);
        }
    }
}
