// Generated gauge networks of the kinds that trouble a Voronoi diagram:
// lattices and their random subsets (four or more gauges on one circle), rows,
// rings sharing a centre, clouds, near-duplicates, gauges on the boundary and
// far outside; from millimetres to hundreds of kilometres apart, near the
// origin and at UTM-sized coordinates; in convex and irregular catchments, one
// with a lake. Each diagram is checked against a dense count of nearest
// gauges, and every local rebuild against the full one.
//
// THIESSEN_PROPERTY_CASES sets how many cases each test runs (a few by
// default), THIESSEN_PROPERTY_FIRST the first; a failure names its case, so
//   THIESSEN_PROPERTY_FIRST=1234 THIESSEN_PROPERTY_CASES=1 tst_property
// runs that case alone.

#include "thiessen/geometry/convex_clip.h"
#include "thiessen/geometry/diagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace thiessen {
namespace {

constexpr double Epsilon = std::numeric_limits<double>::epsilon();

// Reproducible everywhere: the standard leaves its distributions' algorithms open.
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    double Uniform(double low, double high)
    {
        return low + (high - low) * static_cast<double>(engine_() >> 11) * 0x1.0p-53;
    }
    std::size_t Below(std::size_t count) { return static_cast<std::size_t>(engine_() % count); }
    bool Chance(double probability) { return Uniform(0, 1) < probability; }

private:
    std::mt19937_64 engine_;
};

// A catchment as its rings: the shells and holes of its polygons.
struct Polygon {
    std::vector<std::vector<Site>> rings; // the shell first
};

struct Case {
    std::string name;
    std::vector<Site> sites;
    std::vector<Polygon> catchment;
    std::vector<Polygon> other; // a second basin, overlapping the catchment
    double scale = 1;           // the size of the catchment
    double magnitude = 1;       // the largest coordinate
};

std::size_t FromEnvironment(const char* name, std::size_t fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::stoul(value) : fallback;
}

// The cases asked for; by default also cases that once caught faults of
// rounding that few cases show: the line between near-duplicates taken from
// rounded coordinates (123), a clip by the line through two corners a hair
// apart (129), a hull whose turns were measured from a far corner (2295),
// GEOS's overlay at UTM-sized coordinates, whose snapping closed a narrow
// part of a millimetre-sized basin (2510), GEOS's cut by a rectangle where a
// lake's corner lay on the rectangle (3143).
std::vector<std::size_t> CaseNumbers()
{
    const std::size_t count = FromEnvironment("THIESSEN_PROPERTY_CASES", 30);
    const bool fromStart = std::getenv("THIESSEN_PROPERTY_FIRST") == nullptr;
    std::vector<std::size_t> numbers(count);
    std::iota(numbers.begin(), numbers.end(), FromEnvironment("THIESSEN_PROPERTY_FIRST", 0));
    for (std::size_t remembered : {123, 129, 2295, 2510, 3143})
        if (fromStart && remembered >= count)
            numbers.push_back(remembered);
    return numbers;
}

// ---------------------------------------------------------------------------
// Catchments in unit coordinates, about [0, 1] x [0, 1].

std::vector<Site> RegularRing(Site centre, double radius, std::size_t count, double turn)
{
    std::vector<Site> ring;
    for (std::size_t k = 0; k < count; ++k) {
        const double angle = turn + 2 * std::numbers::pi * static_cast<double>(k) / count;
        ring.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
    }
    return ring;
}

std::vector<Polygon> UnitCatchment(std::size_t kind, Random& random, std::string& name)
{
    switch (kind) {
    case 0:
        name = "rectangle";
        return {{{{{0, 0}, {1, 0}, {1, 0.75}, {0, 0.75}}}}};
    case 1:
        name = "hexagon";
        return {{{RegularRing({0.5, 0.5}, 0.55, 6, 0.3)}}};
    case 2: {
        name = "star";
        std::vector<Site> star;
        for (std::size_t k = 0; k < 14; ++k) {
            const double angle = 2 * std::numbers::pi * static_cast<double>(k) / 14;
            const double radius = k % 2 == 0 ? 0.55 : 0.22;
            star.push_back({0.5 + radius * std::cos(angle), 0.5 + radius * std::sin(angle)});
        }
        return {{{star}}};
    }
    case 3:
        name = "lake";
        return {{{{{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                  {{0.3, 0.45}, {0.5, 0.25}, {0.7, 0.45}, {0.55, 0.7}, {0.35, 0.65}}}}};
    case 4: {
        name = "blob";
        std::vector<Site> blob;
        for (std::size_t k = 0; k < 40; ++k) {
            const double angle = 2 * std::numbers::pi * static_cast<double>(k) / 40;
            const double radius = random.Uniform(0.3, 0.55);
            blob.push_back({0.5 + radius * std::cos(angle), 0.5 + radius * std::sin(angle)});
        }
        return {{{blob}}};
    }
    default:
        name = "islands";
        return {{{{{0, 0}, {0.45, 0}, {0.45, 1}, {0, 1}}}},
                {{{{0.6, 0.2}, {1, 0.2}, {1, 0.8}, {0.6, 0.8}}}}};
    }
}
constexpr std::size_t CatchmentKinds = 6;

// ---------------------------------------------------------------------------
// Networks in unit coordinates.

std::vector<Site> Lattice(Random& random, double keep)
{
    const std::size_t across = 2 + random.Below(10);
    const double spacing = 1.0 / static_cast<double>(across);
    const Site start{random.Uniform(-0.1, 0.1), random.Uniform(-0.1, 0.1)};
    std::vector<Site> sites;
    for (std::size_t i = 0; i <= across + 1; ++i)
        for (std::size_t j = 0; j <= across + 1; ++j)
            if (random.Chance(keep))
                sites.push_back({start.x + spacing * static_cast<double>(i),
                                 start.y + spacing * static_cast<double>(j)});
    return sites;
}

std::vector<Site> Rows(Random& random)
{
    const std::size_t rows = 1 + random.Below(2);
    const std::size_t count = 2 + random.Below(11);
    const double angle = random.Chance(0.5) ? random.Below(4) * std::numbers::pi / 4
                                            : random.Uniform(0, std::numbers::pi);
    const Site along{std::cos(angle), std::sin(angle)}, across{-along.y, along.x};
    const bool even = random.Chance(0.6);
    std::vector<Site> sites;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t k = 0; k < count; ++k) {
            const double t =
                even ? -0.6 + 1.2 * static_cast<double>(k) / count : random.Uniform(-0.6, 0.6);
            const double s = 0.2 * static_cast<double>(r);
            sites.push_back({0.5 + t * along.x + s * across.x, 0.5 + t * along.y + s * across.y});
        }
    return sites;
}

std::vector<Site> Rings(Random& random)
{
    const Site centre =
        random.Chance(0.5) ? Site{0.5, 0.5} : Site{random.Uniform(0, 1), random.Uniform(0, 1)};
    const std::size_t rings = 1 + random.Below(3);
    std::vector<Site> sites;
    if (random.Chance(0.5))
        sites.push_back(centre);
    const double turn = random.Chance(0.5) ? 0 : random.Uniform(0, 1);
    for (std::size_t r = 0; r < rings; ++r) {
        const std::size_t count = 3 + random.Below(14);
        const double radius = 0.15 + 0.2 * static_cast<double>(r);
        for (Site site : RegularRing(centre, radius, count, random.Chance(0.5) ? turn : r * turn))
            sites.push_back(site);
    }
    return sites;
}

std::vector<Site> Cloud(Random& random, std::size_t count)
{
    std::vector<Site> sites;
    for (std::size_t k = 0; k < count; ++k)
        sites.push_back({random.Uniform(-0.2, 1.2), random.Uniform(-0.2, 1.2)});
    return sites;
}

std::vector<Site> UnitNetwork(std::size_t kind, Random& random, std::string& name)
{
    switch (kind) {
    case 0:
        name = "lattice";
        return Lattice(random, 1);
    case 1:
        name = "lattice-subset";
        return Lattice(random, random.Uniform(0.2, 0.8));
    case 2:
        name = "rows";
        return Rows(random);
    case 3:
        name = "rings";
        return Rings(random);
    case 4:
        name = "few";
        return Cloud(random, 1 + random.Below(3));
    default:
        name = "cloud";
        return Cloud(random, 4 + random.Below(60));
    }
}
constexpr std::size_t NetworkKinds = 6;

// Gauges on the catchment's corners and edges, and far outside it.
void AddBoundaryAndOutside(const std::vector<Polygon>& catchment, Random& random,
                           std::vector<Site>& sites, std::string& name)
{
    if (random.Chance(0.3)) {
        name += "+boundary";
        const std::vector<Site>& shell = catchment[0].rings[0];
        for (std::size_t k = 1 + random.Below(4); k > 0; --k) {
            const std::size_t at = random.Below(shell.size());
            const Site a = shell[at], b = shell[(at + 1) % shell.size()];
            const double t = random.Chance(0.5) ? 0 : random.Uniform(0, 1);
            sites.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
        }
    }
    if (random.Chance(0.3)) {
        name += "+outside";
        for (std::size_t k = 1 + random.Below(3); k > 0; --k) {
            const double angle = random.Uniform(0, 2 * std::numbers::pi);
            const double distance = std::pow(10, random.Uniform(0.3, 3));
            sites.push_back({0.5 + distance * std::cos(angle), 0.5 + distance * std::sin(angle)});
        }
    }
}

Site Place(Site unit, double scale, Site offset)
{
    return {offset.x + scale * unit.x, offset.y + scale * unit.y};
}

// Sites a hair's breadth from others, as near as the coordinates allow to be
// told apart safely: a billionth of the catchment's size.
void AddNearDuplicates(Random& random, double scale, Site offset, std::vector<Site>& sites)
{
    const double apart =
        std::max(1e-9 * scale, 1e-13 * std::max(std::abs(offset.x), std::abs(offset.y)));
    const std::size_t count = sites.size();
    for (std::size_t k = 0; k < count; ++k)
        if (random.Chance(0.3)) {
            const double angle = random.Uniform(0, 2 * std::numbers::pi);
            sites.push_back(
                {sites[k].x + apart * std::cos(angle), sites[k].y + apart * std::sin(angle)});
        }
}

std::vector<Polygon> Placed(const std::vector<Polygon>& unit, double scale, Site offset)
{
    std::vector<Polygon> placed;
    for (const Polygon& polygon : unit) {
        Polygon& copy = placed.emplace_back();
        for (const std::vector<Site>& ring : polygon.rings) {
            copy.rings.emplace_back();
            for (Site corner : ring)
                copy.rings.back().push_back(Place(corner, scale, offset));
        }
    }
    return placed;
}

Case MakeCase(std::size_t number)
{
    Random random(0x9E3779B97F4A7C15ULL * (number + 1));
    constexpr double Scales[] = {1e-3, 1e-1, 1, 1e2, 1e3, 1e5};
    const double scale = Scales[random.Below(std::size(Scales))];
    const Site offset = random.Chance(0.5) ? Site{0, 0} : Site{500000, 4000000};

    Case c;
    std::string catchmentName, networkName;
    const std::vector<Polygon> unitCatchment =
        UnitCatchment(random.Below(CatchmentKinds), random, catchmentName);
    std::vector<Site> unit = UnitNetwork(random.Below(NetworkKinds), random, networkName);
    AddBoundaryAndOutside(unitCatchment, random, unit, networkName);
    for (const Site& site : unit)
        c.sites.push_back(Place(site, scale, offset));
    if (random.Chance(0.2)) {
        networkName += "+near-duplicates";
        AddNearDuplicates(random, scale, offset, c.sites);
    }
    // The readers refuse repeated gauges.
    std::set<std::pair<double, double>> seen;
    std::erase_if(c.sites, [&](Site s) { return !seen.insert({s.x, s.y}).second; });

    std::string otherName;
    std::vector<Polygon> unitOther = UnitCatchment(random.Below(CatchmentKinds), random, otherName);
    for (Polygon& polygon : unitOther)
        for (std::vector<Site>& ring : polygon.rings)
            for (Site& corner : ring)
                corner = {corner.x + 0.35, corner.y + 0.25};
    c.catchment = Placed(unitCatchment, scale, offset);
    c.other = Placed(unitOther, scale, offset);
    c.scale = scale;
    c.magnitude = std::max({std::abs(offset.x), std::abs(offset.y), scale});
    for (const Site& site : c.sites)
        c.magnitude = std::max({c.magnitude, std::abs(site.x), std::abs(site.y)});
    std::ostringstream name;
    name << "case " << number << ": " << c.sites.size() << " gauges, " << networkName << " in a "
         << catchmentName << ", scale " << scale << ", offset " << offset.x << " " << offset.y;
    c.name = name.str();
    return c;
}

// ---------------------------------------------------------------------------
// The catchment in GEOS, and the independent measures the diagram is checked by.

std::string Wkt(const std::vector<Polygon>& catchment)
{
    std::ostringstream wkt;
    wkt.precision(17);
    wkt << "MULTIPOLYGON(";
    for (std::size_t p = 0; p < catchment.size(); ++p) {
        wkt << (p > 0 ? ",(" : "(");
        for (std::size_t r = 0; r < catchment[p].rings.size(); ++r) {
            const std::vector<Site>& ring = catchment[p].rings[r];
            wkt << (r > 0 ? ",(" : "(");
            for (const Site& corner : ring)
                wkt << corner.x << " " << corner.y << ",";
            wkt << ring[0].x << " " << ring[0].y << ")";
        }
        wkt << ")";
    }
    wkt << ")";
    return wkt.str();
}

Geometry Read(const Geos& geos, const std::string& wkt)
{
    GEOSWKTReader* reader = GEOSWKTReader_create_r(geos.Handle());
    GEOSGeometry* geometry = GEOSWKTReader_read_r(geos.Handle(), reader, wkt.c_str());
    GEOSWKTReader_destroy_r(geos.Handle(), reader);
    return geos.Own(geometry, "reading a test geometry");
}

double Distance2(Site a, Site b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// Inside by the even-odd rule over every ring, so holes count as outside.
bool Inside(const std::vector<Polygon>& catchment, Site point)
{
    bool inside = false;
    for (const Polygon& polygon : catchment)
        for (const std::vector<Site>& ring : polygon.rings)
            for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
                if ((ring[i].y > point.y) != (ring[j].y > point.y) &&
                    point.x < ring[j].x + (point.y - ring[j].y) * (ring[i].x - ring[j].x) /
                                              (ring[i].y - ring[j].y))
                    inside = !inside;
    return inside;
}

double DistanceToBoundary(const std::vector<Polygon>& catchment, Site point)
{
    double nearest = std::numeric_limits<double>::infinity();
    for (const Polygon& polygon : catchment)
        for (const std::vector<Site>& ring : polygon.rings)
            for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
                const Site a = ring[j], b = ring[i];
                const double length2 = Distance2(a, b);
                const double t = std::clamp(
                    ((point.x - a.x) * (b.x - a.x) + (point.y - a.y) * (b.y - a.y)) / length2, 0.0,
                    1.0);
                nearest = std::min(
                    nearest, Distance2(point, {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}));
            }
    return std::sqrt(nearest);
}

// The box around a catchment.
Box Around(const std::vector<Polygon>& catchment)
{
    Box box{catchment[0].rings[0][0].x, catchment[0].rings[0][0].y, catchment[0].rings[0][0].x,
            catchment[0].rings[0][0].y};
    for (const Polygon& polygon : catchment)
        for (const Site& corner : polygon.rings[0])
            box = {std::min(box.minX, corner.x), std::min(box.minY, corner.y),
                   std::max(box.maxX, corner.x), std::max(box.maxY, corner.y)};
    return box;
}

// Every site's area by counting the squares of a fine grid whose centres are
// nearest to it, with a bound on the count's error: the area of the squares
// that a cell's edge or the catchment's boundary may cross.
struct Count {
    std::vector<double> area, error;
};

Count CountNearest(const std::vector<Polygon>& catchment, const std::vector<Site>& sites,
                   const std::vector<char>& missing, std::size_t across)
{
    const auto [minX, minY, maxX, maxY] = Around(catchment);
    const double step = std::max(maxX - minX, maxY - minY) / static_cast<double>(across);
    const double square = step * step;
    // From a square's centre to its corner, and the difference of two
    // distances that no point of the square can reverse.
    const double reach = step * std::numbers::sqrt2 / 2, margin = 2 * reach;
    Count count{std::vector<double>(sites.size(), 0), std::vector<double>(sites.size(), 0)};
    std::vector<double> distance(sites.size());
    for (double y = minY + step / 2; y < maxY + step; y += step)
        for (double x = minX + step / 2; x < maxX + step; x += step) {
            const Site point{x, y};
            const bool nearBoundary = DistanceToBoundary(catchment, point) <= reach;
            if (!nearBoundary && !Inside(catchment, point))
                continue;
            std::size_t nearest = sites.size();
            for (std::size_t i = 0; i < sites.size(); ++i) {
                if (missing[i])
                    continue;
                distance[i] = std::sqrt(Distance2(point, sites[i]));
                if (nearest == sites.size() || distance[i] < distance[nearest])
                    nearest = i;
            }
            bool ambiguous = nearBoundary;
            for (std::size_t i = 0; i < sites.size(); ++i)
                ambiguous = ambiguous || (!missing[i] && i != nearest &&
                                          distance[i] <= distance[nearest] + margin);
            if (!ambiguous) {
                count.area[nearest] += square;
                continue;
            }
            for (std::size_t i = 0; i < sites.size(); ++i)
                if (!missing[i] && distance[i] <= distance[nearest] + margin)
                    count.error[i] += square;
        }
    return count;
}

// What rounding may do to an area: a little of the whole, and the precision
// of the coordinates along the catchment's size.
double Tolerance(const Case& c, double area)
{
    return 1e-10 * area + 100 * Epsilon * c.magnitude * c.scale;
}

std::vector<double> AreasWithout(const Diagram& diagram, const std::vector<std::size_t>& missing)
{
    std::vector<double> areas = diagram.Areas();
    for (const AreaChange& change : diagram.AreasWithout(missing))
        areas[change.site] = change.area;
    return areas;
}

// Sets of missing gauges: single ones, a gauge with its neighbours, random
// handfuls, and all but one.
std::vector<std::vector<std::size_t>> MissingSets(const Tessellation& tessellation, Random& random)
{
    const std::size_t n = tessellation.Size();
    std::vector<std::vector<std::size_t>> sets;
    if (n < 2)
        return sets;
    for (int k = 0; k < 2; ++k)
        sets.push_back({random.Below(n)});
    std::vector<std::size_t> around{random.Below(n)};
    for (std::size_t neighbour : tessellation.Neighbours(around[0]))
        around.push_back(neighbour);
    if (around.size() < n)
        sets.push_back(around);
    std::vector<std::size_t> all(n);
    std::iota(all.begin(), all.end(), 0);
    for (std::size_t most : {std::size_t{4}, n / 2, n - 1}) {
        std::shuffle(all.begin(), all.end(),
                     std::mt19937(static_cast<unsigned>(random.Below(1000))));
        sets.emplace_back(all.begin(), all.begin() + std::min(most, n - 1));
    }
    for (std::vector<std::size_t>& set : sets) {
        std::sort(set.begin(), set.end());
        set.erase(std::unique(set.begin(), set.end()), set.end());
    }
    std::erase_if(sets, [](const auto& set) { return set.empty(); });
    return sets;
}

std::string Listed(const std::vector<std::size_t>& sites)
{
    std::string text;
    for (std::size_t site : sites) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(site);
    }
    return text;
}

std::vector<char> Marked(std::size_t size, const std::vector<std::size_t>& sites)
{
    std::vector<char> marked(size, 0);
    for (std::size_t site : sites)
        marked[site] = 1;
    return marked;
}

// ---------------------------------------------------------------------------
// The checks, each on one case.

// Each cell is its site's Voronoi cell in the box: no site is nearer than its
// own to any of its corners (so it lies within the Voronoi cell), the cells
// fill the box (so each is the whole Voronoi cell), and it holds its site.
void ExpectVoronoiCells(const Case& c, const Tessellation& tessellation)
{
    const Box& box = tessellation.Bounds();
    const double boxArea = (box.maxX - box.minX) * (box.maxY - box.minY);
    const double size = std::max(box.maxX - box.minX, box.maxY - box.minY);
    const double rounding = 64 * Epsilon * std::max(c.magnitude, size);
    double total = 0;
    for (std::size_t i = 0; i < c.sites.size(); ++i) {
        const Ring& cell = tessellation.Cell(i);
        total += RingArea(cell);
        EXPECT_TRUE(Inside({{{cell}}}, c.sites[i])) << "gauge " << i;
        for (const Site& corner : cell) {
            const double own = std::sqrt(Distance2(corner, c.sites[i]));
            for (std::size_t j = 0; j < c.sites.size(); ++j)
                ASSERT_GE(std::sqrt(Distance2(corner, c.sites[j])), own - 1e-9 * own - rounding)
                    << "gauge " << j << " is nearer than gauge " << i << " to a corner of its cell";
        }
        for (std::size_t n : tessellation.Neighbours(i)) {
            const std::vector<std::size_t>& back = tessellation.Neighbours(n);
            EXPECT_TRUE(std::find(back.begin(), back.end(), i) != back.end())
                << "gauge " << i << " is a neighbour of " << n << " but not the other way";
        }
    }
    EXPECT_NEAR(total, boxArea, 1e-9 * boxArea + 8 * rounding * size);
}

// The areas sum to the catchment's, and a gauge well inside it lies in its cell.
void ExpectTiledAndHeld(const Geos& geos, const Case& c, const Diagram& diagram)
{
    const double total = std::accumulate(diagram.Areas().begin(), diagram.Areas().end(), 0.0);
    EXPECT_NEAR(total, diagram.CatchmentArea(), Tolerance(c, diagram.CatchmentArea()));
    for (std::size_t i = 0; i < c.sites.size(); ++i) {
        if (!Inside(c.catchment, c.sites[i]) ||
            DistanceToBoundary(c.catchment, c.sites[i]) < 1e-6 * c.scale)
            continue;
        const Geometry point = geos.Point(c.sites[i].x, c.sites[i].y);
        EXPECT_EQ(GEOSContains_r(geos.Handle(), &diagram.Cell(i), point.get()), 1) << "gauge " << i;
    }
}

void ExpectCounted(const Case& c, const std::vector<double>& areas,
                   const std::vector<char>& missing, double catchmentArea, std::size_t across)
{
    const Count count = CountNearest(c.catchment, c.sites, missing, across);
    for (std::size_t i = 0; i < c.sites.size(); ++i)
        ASSERT_NEAR(areas[i], count.area[i], count.error[i] + Tolerance(c, catchmentArea))
            << "gauge " << i;
}

// The local rebuild against the full one, and once against the count.
void ExpectLocalRebuild(const Case& c, const Diagram& diagram,
                        const std::vector<std::vector<std::size_t>>& sets)
{
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const std::vector<std::size_t>& missing = sets[s];
        SCOPED_TRACE("without " + Listed(missing));
        const std::vector<double> local = AreasWithout(diagram, missing);
        const std::vector<double> full = diagram.AreasWithoutByFullRebuild(missing);
        for (std::size_t i = 0; i < c.sites.size(); ++i)
            ASSERT_NEAR(local[i], full[i], Tolerance(c, diagram.CatchmentArea())) << "gauge " << i;
        if (s == 2)
            ExpectCounted(c, local, Marked(c.sites.size(), missing), diagram.CatchmentArea(), 80);
    }
}

// One tessellation, two basins: the gains each basin's coverage takes from
// the same handovers against each basin's full rebuild.
void ExpectGainsInTwoBasins(const Geos& geos, const Case& c,
                            const std::vector<std::vector<std::size_t>>& sets)
{
    const Geometry first = Read(geos, Wkt(c.catchment)), second = Read(geos, Wkt(c.other));
    const Box a = ExtentOf(geos, *first), b = ExtentOf(geos, *second);
    const Tessellation tessellation(c.sites, {std::min(a.minX, b.minX), std::min(a.minY, b.minY),
                                              std::max(a.maxX, b.maxX), std::max(a.maxY, b.maxY)});
    const Coverage basins[] = {Coverage(geos, tessellation, *first),
                               Coverage(geos, tessellation, *second)};
    for (const std::vector<std::size_t>& missing : sets) {
        SCOPED_TRACE("without " + Listed(missing));
        std::vector<AreaChange> gains[2];
        for (const std::vector<std::size_t>& group : tessellation.GroupsOf(missing)) {
            const std::vector<Tessellation::Handover> handovers =
                tessellation.HandoversWithout(group);
            for (int basin = 0; basin < 2; ++basin)
                basins[basin].AddGains(handovers, gains[basin]);
        }
        for (int basin = 0; basin < 2; ++basin) {
            std::vector<double> local = basins[basin].Areas();
            for (std::size_t m : missing)
                local[m] = 0;
            for (const AreaChange& gain : gains[basin])
                local[gain.site] += gain.area;
            const std::vector<double> full = basins[basin].AreasWithoutByFullRebuild(missing);
            for (std::size_t i = 0; i < c.sites.size(); ++i)
                ASSERT_NEAR(local[i], full[i], Tolerance(c, basins[basin].BasinArea()))
                    << "basin " << basin << ", gauge " << i;
        }
    }
}

// Runs a check on every case; a case that throws fails. Stops after a few
// failed cases, so that one fault does not bury the output.
template <typename Check> void ForEachCase(Check check)
{
    const testing::TestResult& result =
        *testing::UnitTest::GetInstance()->current_test_info()->result();
    std::size_t failedCases = 0;
    for (std::size_t number : CaseNumbers()) {
        const int before = result.total_part_count();
        const Case c = MakeCase(number);
        SCOPED_TRACE(c.name);
        try {
            check(c);
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
        if (result.total_part_count() != before && ++failedCases == 3)
            return;
    }
}

// ---------------------------------------------------------------------------

TEST(GeneratedNetworks, CellsAreTheVoronoiCellsOfTheBox)
{
    ForEachCase([&](const Case& c) {
        const Tessellation tessellation(c.sites, Around(c.catchment));
        ExpectVoronoiCells(c, tessellation);
    });
}

TEST(GeneratedNetworks, CellsTileTheCatchmentAndHoldTheirGauges)
{
    Geos geos;
    ForEachCase([&](const Case& c) {
        const Diagram diagram(geos, c.sites, *Read(geos, Wkt(c.catchment)));
        ExpectTiledAndHeld(geos, c, diagram);
    });
}

TEST(GeneratedNetworks, AreasAgreeWithACountOfNearestGauges)
{
    Geos geos;
    ForEachCase([&](const Case& c) {
        const Diagram diagram(geos, c.sites, *Read(geos, Wkt(c.catchment)));
        ExpectCounted(c, diagram.Areas(), std::vector<char>(c.sites.size(), 0),
                      diagram.CatchmentArea(), 120);
    });
}

TEST(GeneratedNetworks, LocalRebuildEqualsFullRebuildAndTheCount)
{
    Geos geos;
    ForEachCase([&](const Case& c) {
        const Diagram diagram(geos, c.sites, *Read(geos, Wkt(c.catchment)));
        Random random(c.sites.size());
        ExpectLocalRebuild(c, diagram, MissingSets(diagram.Unclipped(), random));
    });
}

TEST(GeneratedNetworks, TwoBasinsTakeTheirGainsFromOneTessellation)
{
    Geos geos;
    ForEachCase([&](const Case& c) {
        const Tessellation tessellation(c.sites, Around(c.catchment));
        Random random(c.sites.size() + 1);
        ExpectGainsInTwoBasins(geos, c, MissingSets(tessellation, random));
    });
}

// ---------------------------------------------------------------------------
// Networks that GEOS's Voronoi diagram failed on, all checks on each.

std::vector<Polygon> Rectangle(double minX, double minY, double maxX, double maxY)
{
    return {{{{{minX, minY}, {maxX, minY}, {maxX, maxY}, {minX, maxY}}}}};
}

// Every single gauge and every pair of gauges missing.
std::vector<std::vector<std::size_t>> SinglesAndPairs(std::size_t count)
{
    std::vector<std::vector<std::size_t>> sets;
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t j = i; j < count; ++j)
            sets.push_back(i == j ? std::vector<std::size_t>{i} : std::vector<std::size_t>{i, j});
    return sets;
}

void ExpectAll(const Geos& geos, const Case& c, const Diagram& diagram)
{
    ExpectVoronoiCells(c, diagram.Unclipped());
    ExpectTiledAndHeld(geos, c, diagram);
    ExpectCounted(c, diagram.Areas(), std::vector<char>(c.sites.size(), 0), diagram.CatchmentArea(),
                  200);
    ExpectLocalRebuild(c, diagram, SinglesAndPairs(c.sites.size()));
    ExpectGainsInTwoBasins(geos, c, SinglesAndPairs(c.sites.size()));
}

// Its diagram had a cell made of a polygon and a line, which the cell reader
// took for a polygon.
TEST(Regressions, GridGaugesThatCrashedTheCellReader)
{
    Geos geos;
    Case c;
    c.name = "seven gauges of a grid";
    c.sites = {{0.8095553403938337, 0.34059282324257256}, {0.7595553403938337, 0.21559282324257256},
               {0.7845553403938337, 0.21559282324257256}, {0.8095553403938337, 0.24059282324257256},
               {0.8095553403938337, 0.26559282324257255}, {0.8345553403938337, 0.21559282324257256},
               {0.8345553403938337, 0.34059282324257256}};
    c.catchment =
        Rectangle(0.7512220070605004, 0.20725948990923923, 0.892888673727167, 0.3489261565759059);
    c.other = Rectangle(0.7512220070605004, 0.20725948990923923, 0.8, 0.3);
    c.scale = 0.14;
    const Diagram diagram(geos, c.sites, *Read(geos, Wkt(c.catchment)));
    ExpectAll(geos, c, diagram);
    // By hand, in steps of the grid (0.025): the second gauge's cell is
    // bounded by x = 0.5 and x + y = 2 (the fifth gauge), the third's by
    // x = 0.5, x = 2 and x + y = 2, both by y = -1/3.
    EXPECT_NEAR(diagram.Area(1), 1.875 * 0.025 * 0.025, 1e-15);
    EXPECT_NEAR(diagram.Area(2), 1.625 * 0.025 * 0.025, 1e-15);
}

// GEOS's cells did not each hold one of these gauges.
TEST(Regressions, GridSubsetThatWasRefused)
{
    Geos geos;
    Case c;
    c.name = "eight gauges of a grid";
    c.sites = {{0.185, 0.1}, {0.185, 0.2}, {0.185, 0.3}, {0.285, 0},
               {0.285, 0.2}, {0.285, 0.3}, {0.385, 0.1}, {0.485, 0.1}};
    c.catchment = Rectangle(0, 0, 1, 1);
    c.other = Rectangle(0.2, 0.05, 0.5, 0.6);
    const Diagram diagram(geos, c.sites, *Read(geos, Wkt(c.catchment)));
    ExpectAll(geos, c, diagram);
    // By hand, in steps of 0.1 from (0.185, 0): the last gauge's cell is
    // x >= 2.5, y <= x; the one before it lies between x + y = 2, y = x and
    // x = 2.5.
    EXPECT_NEAR(diagram.Area(7), (8.15 * 8.15 - 2.5 * 2.5) / 2 * 0.01, 1e-15);
    EXPECT_NEAR(diagram.Area(6), 2.125 * 0.01, 1e-15);
}

} // namespace
} // namespace thiessen
