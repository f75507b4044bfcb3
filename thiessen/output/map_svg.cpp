// The map of a catchment's Thiessen polygons as an SVG picture.

#include "thiessen/output/output.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace thiessen {

namespace {

// The catchment's area with its unit, or with the word that it is unknown.
std::string AreaText(const Catchment& catchment)
{
    std::array<char, 64> area{};
    std::snprintf(area.data(), area.size(), "%.6g",
                  catchment.diagram->CatchmentArea() * catchment.AreaUnit());
    return catchment.map ? std::string(area.data()) + " km\u00b2"
                         : std::string(area.data()) + " (in the files' unit, squared)";
}

} // namespace

namespace {

// Light fills that dark text stays legible on; neighbouring cells never share one.
constexpr std::array<const char*, 8> CellColours = {"#fde2c8", "#cfe8f7", "#d9f2d0", "#f6d5e8",
                                                    "#fff3b0", "#e0d9f6", "#c9efe9", "#f3e0cf"};

std::vector<int> ColourCells(const Diagram& diagram)
{
    std::vector<int> colour(diagram.Size(), -1);
    std::vector<int> used(CellColours.size(), 0);
    for (std::size_t i = 0; i < diagram.Size(); ++i) {
        std::array<bool, CellColours.size()> taken{};
        for (std::size_t n : diagram.Neighbours(i))
            if (colour[n] >= 0)
                taken[static_cast<std::size_t>(colour[n])] = true;
        int best = -1;
        for (int c = 0; c < static_cast<int>(CellColours.size()); ++c)
            if (!taken[static_cast<std::size_t>(c)] && (best < 0 || used[c] < used[best]))
                best = c;
        colour[i] = best < 0 ? static_cast<int>(i % CellColours.size()) : best;
        ++used[colour[i]];
    }
    return colour;
}

std::string XmlText(const std::string& text)
{
    std::string xml;
    for (char c : text) {
        switch (c) {
        case '&':
            xml += "&amp;";
            break;
        case '<':
            xml += "&lt;";
            break;
        case '>':
            xml += "&gt;";
            break;
        case '"':
            xml += "&quot;";
            break;
        default:
            xml += c;
        }
    }
    return xml;
}

std::string Fixed(double value)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.2f", value);
    return text.data();
}

// About the width of a character of a bold 12-pixel label.
constexpr double LabelWidth = 7.5;

// Where the map's plane lands on the picture: y grows upwards on the map and
// downwards in SVG.
struct View {
    double minX, maxY, scale, margin, width, height;
    std::string X(double x) const { return Fixed(margin + (x - minX) * scale); }
    std::string Y(double y) const { return Fixed(margin + (maxY - y) * scale); }
};

void AddRing(const Geos& geos, const GEOSGeometry& ring, const View& view, std::string& path)
{
    const GEOSCoordSequence* points = GEOSGeom_getCoordSeq_r(geos.Handle(), &ring);
    unsigned size = 0;
    GEOSCoordSeq_getSize_r(geos.Handle(), points, &size);
    for (unsigned k = 0; k < size; ++k) {
        double x = 0, y = 0;
        GEOSCoordSeq_getXY_r(geos.Handle(), points, k, &x, &y);
        path += (k == 0 ? 'M' : 'L') + view.X(x) + ' ' + view.Y(y);
    }
    path += 'Z';
}

// The outline of every polygon of a (multi)polygon as one path's data.
std::string PathData(const Geos& geos, const GEOSGeometry& geometry, const View& view)
{
    const GEOSContextHandle_t h = geos.Handle();
    std::string path;
    for (int p = 0; p < GEOSGetNumGeometries_r(h, &geometry); ++p) {
        const GEOSGeometry* polygon = GEOSGetGeometryN_r(h, &geometry, p);
        if (GEOSGeomTypeId_r(h, polygon) != GEOS_POLYGON || GEOSisEmpty_r(h, polygon))
            continue;
        AddRing(geos, *GEOSGetExteriorRing_r(h, polygon), view, path);
        for (int r = 0; r < GEOSGetNumInteriorRings_r(h, polygon); ++r)
            AddRing(geos, *GEOSGetInteriorRingN_r(h, polygon, r), view, path);
    }
    return path;
}

// The catchment, and the gauges near enough to it to belong on its map.
View ViewOf(const Geos& geos, const Catchment& catchment, double width, double margin)
{
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    GEOSGeom_getExtent_r(geos.Handle(), catchment.boundary.get(), &minX, &minY, &maxX, &maxY);
    const double reach = 0.25 * std::max(maxX - minX, maxY - minY);
    double left = minX, bottom = minY, right = maxX, top = maxY;
    for (const Site& site : catchment.diagram->Sites())
        if (site.x > minX - reach && site.x < maxX + reach && site.y > minY - reach &&
            site.y < maxY + reach) {
            left = std::min(left, site.x);
            right = std::max(right, site.x);
            bottom = std::min(bottom, site.y);
            top = std::max(top, site.y);
        }
    const double scale = (width - 2 * margin) / std::max({right - left, top - bottom, 1e-300});
    return View{left,
                top,
                scale,
                margin,
                2 * margin + (right - left) * scale,
                2 * margin + (top - bottom) * scale};
}

} // namespace

std::string MapSvg(const Geos& geos, const Catchment& catchment)
{
    View view = ViewOf(geos, catchment, 800, 40);
    // Room on the right for the ids of the gauges at the edge, and below for
    // the caption.
    const auto& gauges = catchment.gauges.gauges;
    const Diagram& diagram = *catchment.diagram;
    double right = view.width;
    for (std::size_t i = 0; i < diagram.Size(); ++i) {
        const double x = view.margin + (diagram.Sites()[i].x - view.minX) * view.scale;
        if (x < view.width)
            right =
                std::max(right, x + 6 + LabelWidth * static_cast<double>(gauges[i].id.size()) + 10);
    }
    const std::string width = Fixed(right), height = Fixed(view.height + 20);

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      width + "\" height=\"" + height + "\" viewBox=\"0 0 " + width + ' ' + height +
                      "\" font-family=\"Liberation Sans, Arial, sans-serif\" font-size=\"12\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    const std::vector<int> colour = ColourCells(diagram);
    for (std::size_t i = 0; i < diagram.Size(); ++i) {
        const std::string path = PathData(geos, diagram.Cell(i), view);
        if (!path.empty())
            svg += "<path d=\"" + path + "\" fill=\"" + CellColours[colour[i]] +
                   "\" fill-rule=\"evenodd\" stroke=\"#8a8a8a\" stroke-width=\"0.8\"/>\n";
    }
    for (const SubBasin& basin : catchment.subBasins)
        svg += "<path d=\"" + PathData(geos, basin.coverage->Basin(), view) +
               "\" fill=\"none\" fill-rule=\"evenodd\" stroke=\"#1f3b73\" "
               "stroke-width=\"1.2\" stroke-dasharray=\"5 3\"/>\n";
    svg += "<path d=\"" + PathData(geos, *catchment.boundary, view) +
           "\" fill=\"none\" fill-rule=\"evenodd\" stroke=\"#1f3b73\" stroke-width=\"2\"/>\n";

    // A weight only where the cell has room for it; a sub-basin's weights
    // are its own, so the map of several shows none.
    const double roomForWeight = 40.0 * 16.0 / (view.scale * view.scale);
    for (std::size_t i = 0; i < diagram.Size() && catchment.subBasins.empty(); ++i) {
        if (diagram.Area(i) < roomForWeight)
            continue;
        Geometry inside =
            geos.Own(GEOSPointOnSurface_r(geos.Handle(), &diagram.Cell(i)), "placing a weight");
        double x = 0, y = 0;
        GEOSGeomGetX_r(geos.Handle(), inside.get(), &x);
        GEOSGeomGetY_r(geos.Handle(), inside.get(), &y);
        std::array<char, 32> weight{};
        std::snprintf(weight.data(), weight.size(), "%.3f", catchment.Weight(i));
        svg += "<text x=\"" + view.X(x) + "\" y=\"" + view.Y(y) +
               "\" dy=\"16\" text-anchor=\"middle\" fill=\"#444444\">" + weight.data() +
               "</text>\n";
    }
    for (const SubBasin& basin : catchment.subBasins) {
        const Geometry inside = geos.Own(
            GEOSPointOnSurface_r(geos.Handle(), &basin.coverage->Basin()), "placing a name");
        double x = 0, y = 0;
        GEOSGeomGetX_r(geos.Handle(), inside.get(), &x);
        GEOSGeomGetY_r(geos.Handle(), inside.get(), &y);
        svg += "<text x=\"" + view.X(x) + "\" y=\"" + view.Y(y) +
               "\" dy=\"18\" text-anchor=\"middle\" font-style=\"italic\" fill=\"#1f3b73\">" +
               XmlText(basin.name) + "</text>\n";
    }
    for (std::size_t i = 0; i < diagram.Size(); ++i) {
        const Site& site = diagram.Sites()[i];
        svg += "<circle cx=\"" + view.X(site.x) + "\" cy=\"" + view.Y(site.y) +
               "\" r=\"3.5\" fill=\"#c0392b\"/>\n<text x=\"" + view.X(site.x) + "\" y=\"" +
               view.Y(site.y) + "\" dx=\"6\" dy=\"-5\" font-weight=\"bold\" fill=\"#000000\">" +
               XmlText(gauges[i].id) + "</text>\n";
    }
    const std::string caption =
        catchment.subBasins.empty()
            ? "The number in each polygon is its gauge's weight: the polygon's share of the "
              "catchment's " +
                  AreaText(catchment) + "."
            : "The " + std::to_string(catchment.subBasins.size()) +
                  " sub-basins (dashed) over the gauges' polygons; their weights are in the "
                  "CSV.";
    svg += "<text x=\"" + Fixed(view.margin) + "\" y=\"" + Fixed(view.height) +
           "\" fill=\"#444444\">" + XmlText(caption) + "</text>\n";
    return svg + "</svg>\n";
}

} // namespace thiessen
