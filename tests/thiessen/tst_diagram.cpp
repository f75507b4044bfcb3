// The Thiessen cells, their areas, and the catchment rainfall with gauges
// missing, on cases whose answers are known by hand. Generated networks are
// checked against independent measures in tst_property.

#include "thiessen/geometry/convex_clip.h"
#include "thiessen/geometry/diagram.h"
#include "thiessen/study/catchment_rainfall.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>

namespace thiessen {
namespace {

Geometry Wkt(const Geos& geos, const char* text)
{
    GEOSWKTReader* reader = GEOSWKTReader_create_r(geos.Handle());
    GEOSGeometry* geometry = GEOSWKTReader_read_r(geos.Handle(), reader, text);
    GEOSWKTReader_destroy_r(geos.Handle(), reader);
    return geos.Own(geometry, "reading a test geometry");
}

constexpr const char* Square = "POLYGON((0 0, 10 0, 10 10, 0 10, 0 0))";

struct HandCase {
    const char* name;
    const char* catchment;
    std::vector<Site> sites;
    std::vector<double> areas;
};

// Named, so that the test's name stays the same from run to run.
void PrintTo(const HandCase& c, std::ostream* out)
{
    *out << c.name;
}

class HandSolved : public testing::TestWithParam<HandCase> {};

// Gauges placed so that every bisector is a line parallel to an axis (or the
// diagonal of a square): the areas are exact.
TEST_P(HandSolved, AreasAreExact)
{
    Geos geos;
    const HandCase& c = GetParam();
    Diagram diagram(geos, c.sites, *Wkt(geos, c.catchment));
    ASSERT_EQ(diagram.Size(), c.areas.size());
    for (std::size_t i = 0; i < c.areas.size(); ++i)
        EXPECT_NEAR(diagram.Area(i), c.areas[i], 1e-9) << "gauge " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HandSolved,
    testing::Values(
        HandCase{"one", Square, {{3, 4}}, {100}},
        HandCase{"two", Square, {{2.5, 5}, {7.5, 5}}, {50, 50}},
        HandCase{"four", Square, {{2, 2}, {8, 2}, {2, 8}, {8, 8}}, {25, 25, 25, 25}},
        HandCase{"collinear", Square, {{1, 5}, {5, 5}, {9, 5}}, {30, 40, 30}},
        HandCase{"diagonal", Square, {{2, 2}, {8, 8}}, {50, 50}},
        HandCase{"outsideWithNothing", Square, {{2.5, 5}, {7.5, 5}, {30, 5}}, {50, 50, 0}},
        HandCase{"outsideOwningAStrip", Square, {{5, 5}, {5, -4}}, {95, 5}},
        HandCase{"hole",
                 "POLYGON((0 0, 10 0, 10 10, 0 10, 0 0), (4 4, 6 4, 6 6, 4 6, 4 4))",
                 {{2.5, 5}, {7.5, 5}},
                 {48, 48}},
        HandCase{
            "multipolygon",
            "MULTIPOLYGON(((0 0, 10 0, 10 10, 0 10, 0 0)), ((20 0, 30 0, 30 10, 20 10, 20 0)))",
            {{25, 5}, {5, 5}},
            {100, 100}}),
    [](const testing::TestParamInfo<HandCase>& info) { return info.param.name; });

TEST(Diagram, GaugeMissingFromFour)
{
    Geos geos;
    Diagram diagram(geos, {{2, 2}, {8, 2}, {2, 8}, {8, 8}}, *Wkt(geos, Square));
    std::vector<double> areas = diagram.Areas();
    for (const AreaChange& change : diagram.AreasWithout({3}))
        areas[change.site] = change.area;
    EXPECT_NEAR(areas[0], 25, 1e-9);
    EXPECT_NEAR(areas[1], 37.5, 1e-9);
    EXPECT_NEAR(areas[2], 37.5, 1e-9);
    EXPECT_EQ(areas[3], 0);
}

// A lake in the catchment is no one's: a missing gauge's neighbour takes its
// cell but not the lake in it.
TEST(Diagram, MissingGaugesLakeGoesToNoOne)
{
    Geos geos;
    Diagram diagram(
        geos, {{2.5, 5}, {7.5, 5}},
        *Wkt(geos, "POLYGON((0 0, 10 0, 10 10, 0 10, 0 0), (6.5 4, 8.5 4, 8.5 6, 6.5 6, 6.5 4))"));
    EXPECT_NEAR(diagram.Area(1), 46, 1e-9);
    const std::vector<AreaChange> changes = diagram.AreasWithout({1});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].site, 1u);
    EXPECT_EQ(changes[0].area, 0);
    EXPECT_EQ(changes[1].site, 0u);
    EXPECT_NEAR(changes[1].area, 96, 1e-9);
}

// Four gauges on a circle: the one across from the missing gauge, whose cell
// meets its cell at a corner, takes nothing of it.
TEST(Tessellation, MissingGaugesCellGoesToTheGaugesAlongsideIt)
{
    const Tessellation tessellation({{2, 2}, {8, 2}, {2, 8}, {8, 8}}, {0, 0, 10, 10});
    const std::vector<Tessellation::Handover> handovers = tessellation.HandoversWithout({3});
    ASSERT_EQ(handovers.size(), 2u);
    EXPECT_EQ(handovers[0].to, 1u);
    EXPECT_EQ(handovers[1].to, 2u);
    // The box, grown by its size, is [-10, 20] x [-10, 20]; the lost cell
    // [5, 20] x [5, 20], halved along its diagonal.
    for (const Tessellation::Handover& handover : handovers) {
        EXPECT_EQ(handover.from, 3u);
        EXPECT_NEAR(RingArea(handover.piece), 15 * 15 / 2.0, 1e-9);
    }
}

TEST(CatchmentRainfall, MissingGaugesTakeTheirDiagramsWeights)
{
    Geos geos;
    Diagram diagram(geos, {{2, 2}, {8, 2}, {2, 8}, {8, 8}}, *Wkt(geos, Square));
    CatchmentRainfall rainfall(diagram);
    const double nan = std::nan("");
    StepRainfall all = rainfall.Compute({4, 8, 12, 16});
    EXPECT_DOUBLE_EQ(*all.rainfall, 10);
    EXPECT_EQ(all.reporting, 4u);
    // Without the fourth gauge: weights 0.25, 0.375, 0.375 (not a third each).
    StepRainfall three = rainfall.Compute({4, 8, 12, nan});
    EXPECT_DOUBLE_EQ(*three.rainfall, 0.25 * 4 + 0.375 * 8 + 0.375 * 12);
    EXPECT_EQ(three.reporting, 3u);
    StepRainfall none = rainfall.Compute({nan, nan, nan, nan});
    EXPECT_FALSE(none.rainfall.has_value());
    EXPECT_EQ(none.reporting, 0u);
    // The full diagram is back after a step with gaps, and a set seen before
    // is not built again.
    EXPECT_DOUBLE_EQ(*rainfall.Compute({4, 8, 12, 16}).rainfall, 10);
    EXPECT_EQ(*rainfall.Compute({1, 1, 1, nan}).rainfall, 1);
    EXPECT_EQ(rainfall.Rebuilds(), 1u);
    // Room for two groups of neighbours: the least recently used goes first,
    // so A, B, A, C, A builds three groups, not four.
    CatchmentRainfall cached(diagram, 2);
    const std::vector<double> a{nan, nan, 1, 1}, b{1, 1, nan, nan}, c{nan, 1, nan, 1};
    for (const std::vector<double>* values : {&a, &b, &a, &c, &a})
        cached.Compute(*values);
    EXPECT_EQ(cached.Rebuilds(), 3u);
}

} // namespace
} // namespace thiessen
