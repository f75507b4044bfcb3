// The map of a catchment laid out for a report: where each shape and each
// text goes, the texts moved until none covers another.

#include "thiessen/output/map_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>

namespace thiessen {

namespace {

// Liberation Sans' advances in thousandths of an em for the printable ASCII
// characters from the space on; those of Arial and Helvetica are the same.
constexpr std::array<short, 95> RegularAdvance = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};
constexpr std::array<short, 95> BoldAdvance = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667,
    611, 778, 722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
    667, 611, 333, 278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556,
    278, 889, 611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};
// Any other character (a tab, a letter with an accent, an ideograph) is
// taken for a whole em, which none exceeds in a font a renderer would
// substitute.
constexpr int OtherAdvance = 1000;
// Liberation Sans' ascent and descent, in ems.
constexpr double Ascent = 0.905, Descent = 0.212;

constexpr double MapSide = 760;    // the longer side of the catchment's extent
constexpr double Margin = 16;      // round the picture
constexpr double LabelRoom = 56;   // beside the extent, for names at its edge
constexpr double MinWidth = 560;   // for the caption and the furniture
constexpr double DotRadius = 3.5;  // a gauge that owns area, where there is room
constexpr double RingRadius = 2.5; // one that owns none
constexpr double MinRadius = 1.5;  // where gauges crowd
constexpr double NameSize = 12;    // a gauge's name, bold
constexpr double WeightSize = 11;  // a weight
constexpr double BasinSize = 12;   // a sub-basin's name, italic
constexpr double CaptionSize = 12; // caption, legend and scale
constexpr double LineHeight = 16;  // of the caption and the legend
constexpr double GridCell = 32;    // of the index of what is placed

constexpr Rgb Ink{0, 0, 0};
constexpr Rgb Grey{68, 68, 68};
constexpr Rgb Blue{31, 59, 115};

std::string Formatted(const char* format, double value)
{
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), format, value);
    return text.data();
}

// The boxes of what is placed, in buckets of a grid so that a candidate is
// compared with its neighbours only.
class Occupied {
public:
    explicit Occupied(const PictureBox& area)
        : left_(area.left), top_(area.top),
          columns_(std::max(1, static_cast<int>((area.right - area.left) / GridCell) + 1)),
          rows_(std::max(1, static_cast<int>((area.bottom - area.top) / GridCell) + 1)),
          buckets_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_))
    {
    }

    bool Free(const PictureBox& box) const
    {
        bool free = true;
        ForBuckets(box, [&](std::vector<PictureBox>& bucket) {
            for (const PictureBox& taken : bucket)
                free = free && !taken.Overlaps(box);
        });
        return free;
    }

    void Take(const PictureBox& box)
    {
        ForBuckets(box, [&](std::vector<PictureBox>& bucket) { bucket.push_back(box); });
    }

private:
    int Column(double x) const
    {
        return std::clamp(static_cast<int>((x - left_) / GridCell), 0, columns_ - 1);
    }
    int Row(double y) const
    {
        return std::clamp(static_cast<int>((y - top_) / GridCell), 0, rows_ - 1);
    }
    void ForBuckets(const PictureBox& box,
                    const std::function<void(std::vector<PictureBox>&)>& visit) const
    {
        for (int row = Row(box.top); row <= Row(box.bottom); ++row)
            for (int column = Column(box.left); column <= Column(box.right); ++column)
                visit(buckets_[static_cast<std::size_t>(row * columns_ + column)]);
    }

    double left_, top_;
    int columns_, rows_;
    mutable std::vector<std::vector<PictureBox>> buckets_;
};

PictureBox DotBox(PicturePoint at, double radius)
{
    return {at.x - radius - 1, at.y - radius - 1, at.x + radius + 1, at.y + radius + 1};
}

bool Within(const PictureBox& inner, const PictureBox& outer)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

class Layout {
public:
    Layout(const Geos& geos, const Catchment& catchment)
        : geos_(geos), catchment_(catchment), diagram_(*catchment.diagram)
    {
    }

    MapPicture Run()
    {
        FitView();
        AddShapes();
        texts_ = std::make_unique<Occupied>(picture_.map);
        dots_ = std::make_unique<Occupied>(picture_.map);
        for (const PictureGauge& gauge : picture_.gauges)
            dots_->Take(DotBox(gauge.at, gauge.radius));
        NameGauges();
        NameSubBasins();
        if (catchment_.subBasins.empty())
            LabelWeights();
        AddFurniture();
        return std::move(picture_);
    }

private:
    // The catchment and the gauges that own part of it fill the map; the
    // room beside it takes the names of the gauges at its edge.
    void FitView()
    {
        double minX = 0, minY = 0, maxX = 0, maxY = 0;
        GEOSGeom_getExtent_r(geos_.Handle(), catchment_.boundary.get(), &minX, &minY, &maxX, &maxY);
        for (std::size_t i = 0; i < diagram_.Size(); ++i)
            if (diagram_.Area(i) > 0) {
                const Site& site = diagram_.Sites()[i];
                minX = std::min(minX, site.x);
                maxX = std::max(maxX, site.x);
                minY = std::min(minY, site.y);
                maxY = std::max(maxY, site.y);
            }
        const double scale = MapSide / std::max({maxX - minX, maxY - minY, 1e-300});
        const double drawnWidth = (maxX - minX) * scale, drawnHeight = (maxY - minY) * scale;
        picture_.width = std::max(drawnWidth + 2 * (LabelRoom + Margin), MinWidth);
        const double drawnLeft = (picture_.width - drawnWidth) / 2;
        const double drawnTop = Margin + LabelRoom / 3;
        picture_.map = {drawnLeft - LabelRoom, Margin, drawnLeft + drawnWidth + LabelRoom,
                        drawnTop + drawnHeight + LabelRoom / 3};
        picture_.scale = scale;
        picture_.planeLeft = minX - LabelRoom / scale;
        picture_.planeTop = maxY + (drawnTop - Margin) / scale;
    }

    PictureRings Rings(const GEOSGeometry& geometry) const
    {
        const GEOSContextHandle_t h = geos_.Handle();
        PictureRings rings;
        const auto addRing = [&](const GEOSGeometry* ring) {
            const GEOSCoordSequence* points = GEOSGeom_getCoordSeq_r(h, ring);
            unsigned size = 0;
            GEOSCoordSeq_getSize_r(h, points, &size);
            std::vector<PicturePoint>& out = rings.emplace_back();
            out.reserve(size);
            for (unsigned k = 0; k < size; ++k) {
                double x = 0, y = 0;
                GEOSCoordSeq_getXY_r(h, points, k, &x, &y);
                out.push_back(picture_.OnPicture(x, y));
            }
        };
        for (int p = 0; p < GEOSGetNumGeometries_r(h, &geometry); ++p) {
            const GEOSGeometry* polygon = GEOSGetGeometryN_r(h, &geometry, p);
            if (GEOSGeomTypeId_r(h, polygon) != GEOS_POLYGON || GEOSisEmpty_r(h, polygon))
                continue;
            addRing(GEOSGetExteriorRing_r(h, polygon));
            for (int r = 0; r < GEOSGetNumInteriorRings_r(h, polygon); ++r)
                addRing(GEOSGetInteriorRingN_r(h, polygon, r));
        }
        return rings;
    }

    void AddShapes()
    {
        const std::vector<int> colours = CellColours(diagram_);
        // Dots as large as the room each gauge has allows.
        std::size_t owners = 0;
        for (std::size_t i = 0; i < diagram_.Size(); ++i)
            owners += diagram_.Area(i) > 0 ? 1 : 0;
        const PictureBox& map = picture_.map;
        const double room = (map.right - map.left - 2 * LabelRoom) *
                            (map.bottom - map.top - 2 * LabelRoom / 3) /
                            static_cast<double>(std::max<std::size_t>(owners, 1));
        const double radius = std::clamp(std::sqrt(room) / 6, MinRadius, DotRadius);
        crowded_ = radius < DotRadius;
        for (std::size_t i = 0; i < diagram_.Size(); ++i) {
            if (diagram_.Area(i) > 0)
                picture_.cells.push_back({i, Rings(diagram_.Cell(i)),
                                          CellPalette()[static_cast<std::size_t>(colours[i])]});
            const PicturePoint at =
                picture_.OnPicture(diagram_.Sites()[i].x, diagram_.Sites()[i].y);
            const bool owns = diagram_.Area(i) > 0;
            if (owns || Within(DotBox(at, RingRadius), picture_.map))
                picture_.gauges.push_back(
                    {i, at, owns, owns ? radius : std::min(radius, RingRadius)});
            else
                ++outside_;
        }
        for (const SubBasin& basin : catchment_.subBasins)
            picture_.subBasins.push_back(Rings(basin.coverage->Basin()));
        picture_.catchment = Rings(*catchment_.boundary);
    }

    // Takes the first candidate that is inside the map, clear of the texts
    // placed, of the dots unless overDots, and that passes fits; says
    // whether there was one.
    bool Place(const std::vector<PictureText>& candidates,
               const std::function<bool(const PictureBox&)>& fits = {}, bool overDots = false)
    {
        for (const PictureText& candidate : candidates) {
            const PictureBox box = candidate.Box();
            if (Within(box, picture_.map) && texts_->Free(box) && (overDots || dots_->Free(box)) &&
                (!fits || fits(box))) {
                texts_->Take(box);
                picture_.labels.push_back(candidate);
                return true;
            }
        }
        return false;
    }

    // The gauges that own most area are named first; a name goes beside its
    // dot, on one of eight sides, then a little further out.
    void NameGauges()
    {
        std::vector<const PictureGauge*> owners;
        for (const PictureGauge& gauge : picture_.gauges)
            if (gauge.ownsArea)
                owners.push_back(&gauge);
        std::stable_sort(owners.begin(), owners.end(), [&](const auto* a, const auto* b) {
            return diagram_.Area(a->gauge) > diagram_.Area(b->gauge);
        });
        const TextStyle style{NameSize, true, false, Ink, true};
        const double middle = (Ascent - Descent) / 2 * NameSize;
        for (const PictureGauge* gauge : owners) {
            const std::string& name = catchment_.gauges.gauges[gauge->gauge].id;
            std::vector<PictureText> candidates;
            for (double away : {6.0, 14.0}) {
                const double x = gauge->at.x, y = gauge->at.y;
                const double above = y - away + 1, below = y + away - 1 + Ascent * NameSize;
                candidates.push_back({name, {x + away, above}, TextAnchor::Start, style});
                candidates.push_back({name, {x + away, y + middle}, TextAnchor::Start, style});
                candidates.push_back({name, {x + away, below}, TextAnchor::Start, style});
                candidates.push_back({name, {x - away, above}, TextAnchor::End, style});
                candidates.push_back({name, {x - away, y + middle}, TextAnchor::End, style});
                candidates.push_back({name, {x - away, below}, TextAnchor::End, style});
                candidates.push_back({name, {x, above - 2}, TextAnchor::Middle, style});
                candidates.push_back({name, {x, below + 2}, TextAnchor::Middle, style});
            }
            if (!Place(candidates))
                ++unnamedGauges_;
        }
    }

    // The point deepest inside a polygon, on the picture.
    PicturePoint Inside(const GEOSGeometry& polygon) const
    {
        const GEOSContextHandle_t h = geos_.Handle();
        Geometry line = geos_.Own(GEOSMaximumInscribedCircle_r(h, &polygon, 1 / picture_.scale),
                                  "placing a label");
        // The line goes from the centre to the nearest point of the edge.
        double x = 0, y = 0;
        Geometry start = geos_.Own(GEOSGeomGetStartPoint_r(h, line.get()), "placing a label");
        GEOSGeomGetX_r(h, start.get(), &x);
        GEOSGeomGetY_r(h, start.get(), &y);
        return picture_.OnPicture(x, y);
    }

    // Candidates round a point, the first centred on it, then on rings
    // farther out, as many as asked.
    static std::vector<PictureText> Around(const std::string& text, PicturePoint at,
                                           const TextStyle& style, int rings = 1)
    {
        const double middle = (Ascent - Descent) / 2 * style.size;
        const double step = (Ascent + Descent) * style.size + 1;
        const double sideways = TextWidth(text, style.size, style.bold) / 2 + 2;
        std::vector<PictureText> candidates{
            {text, {at.x, at.y + middle}, TextAnchor::Middle, style}};
        for (int ring = 1; ring <= rings; ++ring)
            for (const auto& [dx, dy] : std::initializer_list<std::pair<double, double>>{
                     {0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}})
                candidates.push_back(
                    {text,
                     {at.x + dx * sideways * ring, at.y + middle + dy * step * ring},
                     TextAnchor::Middle,
                     style});
        return candidates;
    }

    // Whether a box on the picture lies wholly inside the polygon.
    std::function<bool(const PictureBox&)> InsideOf(const GEOSPreparedGeometry& polygon) const
    {
        return [this, &polygon](const PictureBox& box) {
            const double s = picture_.scale;
            const Geometry shape =
                geos_.Box(picture_.planeLeft + (box.left - picture_.map.left) / s,
                          picture_.planeTop - (box.bottom - picture_.map.top) / s,
                          picture_.planeLeft + (box.right - picture_.map.left) / s,
                          picture_.planeTop - (box.top - picture_.map.top) / s);
            return GEOSPreparedCovers_r(geos_.Handle(), &polygon, shape.get()) == 1;
        };
    }

    using Prepared = std::unique_ptr<const GEOSPreparedGeometry,
                                     std::function<void(const GEOSPreparedGeometry*)>>;
    Prepared Prepare(const GEOSGeometry& geometry) const
    {
        return Prepared(GEOSPrepare_r(geos_.Handle(), &geometry),
                        [h = geos_.Handle()](const GEOSPreparedGeometry* p) {
                            GEOSPreparedGeom_destroy_r(h, p);
                        });
    }

    // A sub-basin's name inside it; where the name has no room, its number
    // in the legend, inside it or else across its edge. Among crowded gauges
    // the names may cover dots, which their halo keeps apart.
    void NameSubBasins()
    {
        const TextStyle style{BasinSize, false, true, Blue, true};
        for (std::size_t b = 0; b < catchment_.subBasins.size(); ++b) {
            const GEOSGeometry& basin = catchment_.subBasins[b].coverage->Basin();
            if (GEOSisEmpty_r(geos_.Handle(), &basin)) {
                ++unnamedBasins_;
                continue;
            }
            const Prepared prepared = Prepare(basin);
            const PicturePoint at = Inside(basin);
            const std::string number = std::to_string(b + 1);
            if (!Place(Around(catchment_.subBasins[b].name, at, style), InsideOf(*prepared),
                       crowded_) &&
                !Place(Around(number, at, style), InsideOf(*prepared), crowded_) &&
                !Place(Around(number, at, style, 3), {}, crowded_))
                ++unnamedBasins_;
        }
    }

    // Each weight inside its cell, the largest cells first.
    void LabelWeights()
    {
        std::vector<std::size_t> order;
        for (const PictureCell& cell : picture_.cells)
            order.push_back(cell.gauge);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return diagram_.Area(a) > diagram_.Area(b);
        });
        const TextStyle style{WeightSize, false, false, Grey, false};
        for (std::size_t gauge : order) {
            const double weight = catchment_.Weight(gauge);
            const std::string text = weight < 0.0005 ? "<0.001" : Formatted("%.3f", weight);
            const Prepared prepared = Prepare(diagram_.Cell(gauge));
            if (!Place(Around(text, Inside(diagram_.Cell(gauge)), style), InsideOf(*prepared)))
                ++unlabelledWeights_;
        }
    }

    void AddFurniture()
    {
        double y = picture_.map.bottom + 8;
        AddScaleBar(y);
        AddNorth(y);
        y += 52;
        y = AddLegend(y);
        y = AddCaption(y);
        picture_.height = y + Margin - LineHeight + 4;
    }

    // A round length near a quarter of the map's width.
    void AddScaleBar(double top)
    {
        const bool km = catchment_.map.has_value();
        const double unitLength = (km ? 1000 : 1) * picture_.scale; // picture units a unit
        const double wanted = (picture_.map.right - picture_.map.left) / 4 / unitLength;
        double power = 1;
        while (power > wanted)
            power /= 10;
        while (power * 10 <= wanted)
            power *= 10;
        double ground = power;
        for (double factor : {2.0, 5.0})
            if (power * factor <= wanted)
                ground = power * factor;
        ScaleBar& bar = picture_.scaleBar;
        bar.start = {picture_.map.left + LabelRoom, top + 14};
        bar.length = ground * unitLength;
        bar.ground = ground;
        bar.unit = km ? "km" : "in the files' unit";
        const TextStyle style{CaptionSize, false, false, Ink, false};
        const double below = bar.start.y + 4 + Ascent * CaptionSize;
        bar.texts.push_back({"0", {bar.start.x, below}, TextAnchor::Middle, style});
        bar.texts.push_back({Formatted("%.10g", ground) + (km ? " km" : ""),
                             {bar.start.x + bar.length, below},
                             TextAnchor::Middle,
                             style});
        if (!km)
            bar.texts.push_back({"(" + bar.unit + ")",
                                 {bar.start.x + bar.length + 8 +
                                      TextWidth(bar.texts.back().text, CaptionSize, false) / 2,
                                  below},
                                 TextAnchor::Start,
                                 style});
    }

    // North as it points at the middle of the map.
    void AddNorth(double top)
    {
        if (!catchment_.map)
            return;
        const double x = (picture_.map.left + picture_.map.right) / 2;
        const double y = (picture_.map.top + picture_.map.bottom) / 2;
        const double s = picture_.scale;
        const Point middle{picture_.planeLeft + (x - picture_.map.left) / s,
                           picture_.planeTop - (y - picture_.map.top) / s};
        const Point lonLat = catchment_.map->Inverse(middle);
        const double step = lonLat.y > 89 ? -0.01 : 0.01;
        const Point toward = catchment_.map->Forward({lonLat.x, lonLat.y + step});
        double dx = (toward.x - middle.x) * (step > 0 ? 1 : -1);
        double dy = -(toward.y - middle.y) * (step > 0 ? 1 : -1);
        const double length = std::hypot(dx, dy);
        if (!(length > 0))
            return;
        dx /= length;
        dy /= length;
        const PicturePoint centre{picture_.map.right - LabelRoom, top + 30};
        NorthArrow north;
        north.tail = {centre.x - dx * 14, centre.y - dy * 14};
        north.tip = {centre.x + dx * 14, centre.y + dy * 14};
        north.letter = {"N",
                        {north.tip.x + dx * 8, north.tip.y + dy * 8 + (Ascent - Descent) / 2 * 12},
                        TextAnchor::Middle,
                        {12, true, false, Ink, false}};
        picture_.north = north;
    }

    // The sub-basins by number, in as many columns as the width holds.
    double AddLegend(double top)
    {
        const auto& basins = catchment_.subBasins;
        if (basins.empty())
            return top;
        const double left = picture_.map.left + LabelRoom;
        picture_.legendSample = PicturePoint{left, top + LineHeight / 2};
        picture_.legendTitle = PictureText{"Sub-basins",
                                           {left + 32, top + Ascent * CaptionSize},
                                           TextAnchor::Start,
                                           {CaptionSize, true, false, Ink, false}};
        std::vector<std::string> entries;
        double widest = 0;
        for (std::size_t b = 0; b < basins.size(); ++b) {
            std::string entry = std::to_string(b + 1) + "  " + basins[b].name;
            if (catchment_.map)
                entry +=
                    ", " + Formatted("%.1f", basins[b].coverage->BasinArea() * 1e-6) + " km\u00b2";
            widest = std::max(widest, TextWidth(entry, CaptionSize, false));
            entries.push_back(std::move(entry));
        }
        const double columnWidth = widest + 24;
        const std::size_t columns = std::max<std::size_t>(
            1, static_cast<std::size_t>((picture_.width - Margin - left) / columnWidth));
        const std::size_t rows = (entries.size() + columns - 1) / columns;
        const TextStyle style{CaptionSize, false, false, Ink, false};
        top += LineHeight;
        for (std::size_t k = 0; k < entries.size(); ++k)
            picture_.legend.push_back(
                {entries[k],
                 {left + static_cast<double>(k / rows) * columnWidth,
                  top + static_cast<double>(k % rows) * LineHeight + Ascent * CaptionSize},
                 TextAnchor::Start,
                 style});
        return top + static_cast<double>(rows) * LineHeight + 8;
    }

    std::string AreaText() const
    {
        const std::string area =
            Formatted("%.6g", diagram_.CatchmentArea() * catchment_.AreaUnit());
        return catchment_.map ? area + " km\u00b2" : area + " (in the files' unit, squared)";
    }

    static std::string Count(std::size_t n, const std::string& one, const std::string& many)
    {
        return std::to_string(n) + ' ' + (n == 1 ? one : many);
    }

    // The sentences, wrapped at blanks to the picture's width.
    double AddCaption(double top)
    {
        std::vector<std::string> sentences;
        if (catchment_.subBasins.empty())
            sentences.push_back("The number in each polygon is its gauge's weight: the "
                                "polygon's share of the catchment's " +
                                AreaText() + ".");
        else
            sentences.push_back("The " + std::to_string(catchment_.subBasins.size()) +
                                " sub-basins (dashed) over the gauges' polygons; their weights "
                                "are in the CSV.");
        std::size_t withoutArea = 0;
        for (const PictureGauge& gauge : picture_.gauges)
            withoutArea += gauge.ownsArea ? 0 : 1;
        if (withoutArea > 0)
            sentences.push_back("The small rings are " + Count(withoutArea, "gauge", "gauges") +
                                " with no area.");
        // What was left out, each counted where there is any.
        struct LeftOut {
            std::size_t count;
            const char *one, *many, *why;
        };
        for (const LeftOut& omitted :
             {LeftOut{outside_, "gauge", "gauges", " with no area beyond the map are left out."},
              LeftOut{unnamedGauges_, "gauge", "gauges", " not named for lack of room."},
              LeftOut{unnamedBasins_, "sub-basin", "sub-basins", " not named for lack of room."},
              LeftOut{unlabelledWeights_, "weight", "weights", " not labelled for lack of room."}})
            if (omitted.count > 0)
                sentences.push_back(
                    Count(omitted.count, omitted.one, omitted.many).append(omitted.why));
        const TextStyle style{CaptionSize, false, false, Grey, false};
        const double left = picture_.map.left + LabelRoom;
        const double room = std::max(picture_.width - Margin - left, 100.0);
        std::string line;
        double y = top + Ascent * CaptionSize;
        const auto flush = [&] {
            picture_.caption.push_back({line, {left, y}, TextAnchor::Start, style});
            y += LineHeight;
            line.clear();
        };
        std::string words = sentences.front();
        for (std::size_t k = 1; k < sentences.size(); ++k)
            words += ' ' + sentences[k];
        std::size_t start = 0;
        while (start < words.size()) {
            const std::size_t end = std::min(words.find(' ', start), words.size());
            const std::string word = words.substr(start, end - start);
            const std::string longer = line.empty() ? word : line + ' ' + word;
            if (!line.empty() && TextWidth(longer, CaptionSize, false) > room)
                flush();
            line = line.empty() ? word : line + ' ' + word;
            start = end + 1;
        }
        if (!line.empty())
            flush();
        return y;
    }

    const Geos& geos_;
    const Catchment& catchment_;
    const Diagram& diagram_;
    MapPicture picture_;
    std::unique_ptr<Occupied> texts_, dots_;
    bool crowded_ = false;
    std::size_t outside_ = 0, unnamedGauges_ = 0, unnamedBasins_ = 0, unlabelledWeights_ = 0;
};

} // namespace

const std::array<Rgb, 8>& CellPalette()
{
    static constexpr std::array<Rgb, 8> palette = {
        Rgb{253, 226, 200}, Rgb{207, 232, 247}, Rgb{217, 242, 208}, Rgb{246, 213, 232},
        Rgb{255, 243, 176}, Rgb{224, 217, 246}, Rgb{201, 239, 233}, Rgb{243, 224, 207}};
    return palette;
}

std::vector<int> CellColours(const Diagram& diagram)
{
    const std::size_t count = CellPalette().size();
    std::vector<int> colour(diagram.Size(), -1);
    std::vector<int> used(count, 0);
    for (std::size_t i = 0; i < diagram.Size(); ++i) {
        std::vector<bool> taken(count, false);
        for (std::size_t n : diagram.Neighbours(i))
            if (colour[n] >= 0)
                taken[static_cast<std::size_t>(colour[n])] = true;
        std::size_t best = count;
        for (std::size_t c = 0; c < count; ++c)
            if (!taken[c] && (best == count || used[c] < used[best]))
                best = c;
        if (best == count) // every colour beside it: the least used of all
            best =
                static_cast<std::size_t>(std::min_element(used.begin(), used.end()) - used.begin());
        colour[i] = static_cast<int>(best);
        ++used[best];
    }
    return colour;
}

double TextWidth(const std::string& text, double size, bool bold)
{
    const std::array<short, 95>& advance = bold ? BoldAdvance : RegularAdvance;
    int total = 0;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127)
            total += advance[c - 32];
        else if ((c & 0xC0) != 0x80) // the first byte of a character
            total += OtherAdvance;
    }
    return total * size / 1000;
}

PictureBox PictureText::Box() const
{
    const double width = TextWidth(text, style.size, style.bold);
    const double left = anchor == TextAnchor::Start    ? at.x
                        : anchor == TextAnchor::Middle ? at.x - width / 2
                                                       : at.x - width;
    // The halo's outline reaches beyond the letters.
    const double pad = style.halo ? 1.5 : 0.5;
    return {left - pad, at.y - Ascent * style.size - pad, left + width + pad,
            at.y + Descent * style.size + pad};
}

MapPicture LayOutMap(const Geos& geos, const Catchment& catchment)
{
    return Layout(geos, catchment).Run();
}

} // namespace thiessen
