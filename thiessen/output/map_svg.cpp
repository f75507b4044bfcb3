// The map of a catchment's Thiessen polygons as an SVG picture: the layout
// written out as it stands.

#include "thiessen/output/map_picture.h"
#include "thiessen/output/output.h"

#include <array>
#include <cstdio>

namespace thiessen {

namespace {

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

std::string Colour(Rgb rgb)
{
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02x%02x%02x", rgb.r, rgb.g, rgb.b);
    return text.data();
}

std::string Xy(PicturePoint p)
{
    return Fixed(p.x) + ' ' + Fixed(p.y);
}

std::string PathData(const PictureRings& rings)
{
    std::string path;
    for (const std::vector<PicturePoint>& ring : rings) {
        for (std::size_t k = 0; k < ring.size(); ++k)
            path += (k == 0 ? 'M' : 'L') + Xy(ring[k]);
        path += 'Z';
    }
    return path;
}

std::string Text(const PictureText& text)
{
    std::string svg = "<text x=\"" + Fixed(text.at.x) + "\" y=\"" + Fixed(text.at.y) +
                      "\" font-size=\"" + Fixed(text.style.size) + '"';
    if (text.anchor != TextAnchor::Start)
        svg +=
            text.anchor == TextAnchor::Middle ? " text-anchor=\"middle\"" : " text-anchor=\"end\"";
    if (text.style.bold)
        svg += " font-weight=\"bold\"";
    if (text.style.italic)
        svg += " font-style=\"italic\"";
    if (text.style.halo)
        svg += " stroke=\"#ffffff\" stroke-width=\"3\" stroke-linejoin=\"round\" "
               "paint-order=\"stroke\"";
    return svg + " fill=\"" + Colour(text.style.colour) + "\">" + XmlText(text.text) + "</text>\n";
}

} // namespace

std::string PictureSvg(const MapPicture& picture)
{
    const std::string width = Fixed(picture.width), height = Fixed(picture.height);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      width + "\" height=\"" + height + "\" viewBox=\"0 0 " + width + ' ' + height +
                      "\" font-family=\"" + kPictureFonts +
                      "\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    for (const PictureCell& cell : picture.cells)
        svg += "<path d=\"" + PathData(cell.rings) + "\" fill=\"" + Colour(cell.fill) +
               "\" fill-rule=\"evenodd\" stroke=\"#8a8a8a\" stroke-width=\"0.8\"/>\n";
    for (const PictureRings& basin : picture.subBasins)
        svg += "<path d=\"" + PathData(basin) +
               "\" fill=\"none\" stroke=\"#1f3b73\" stroke-width=\"1.2\" "
               "stroke-dasharray=\"5 3\"/>\n";
    svg += "<path d=\"" + PathData(picture.catchment) +
           "\" fill=\"none\" stroke=\"#1f3b73\" stroke-width=\"2\"/>\n";
    for (const PictureGauge& gauge : picture.gauges)
        svg += "<circle cx=\"" + Fixed(gauge.at.x) + "\" cy=\"" + Fixed(gauge.at.y) + "\" r=\"" +
               Fixed(gauge.radius) +
               (gauge.ownsArea ? "\" fill=\"#c0392b\" stroke=\"#ffffff\" stroke-width=\"1\"/>\n"
                               : "\" fill=\"#ffffff\" stroke=\"#777777\" stroke-width=\"1\"/>\n");
    for (const PictureText& label : picture.labels)
        svg += Text(label);

    const ScaleBar& bar = picture.scaleBar;
    const PicturePoint end{bar.start.x + bar.length, bar.start.y};
    svg += "<path d=\"M" + Xy({bar.start.x, bar.start.y - 6}) + 'L' + Xy(bar.start) + 'L' +
           Xy(end) + 'L' + Xy({end.x, end.y - 6}) +
           "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1.5\"/>\n";
    for (const PictureText& text : bar.texts)
        svg += Text(text);
    if (picture.north) {
        const NorthArrow& north = *picture.north;
        const double dx = north.tip.x - north.tail.x, dy = north.tip.y - north.tail.y;
        // The head's sides go back a third of the length, and a fifth of it
        // to each side.
        const PicturePoint left{north.tip.x - dx / 3 + dy / 5, north.tip.y - dy / 3 - dx / 5};
        const PicturePoint right{north.tip.x - dx / 3 - dy / 5, north.tip.y - dy / 3 + dx / 5};
        svg += "<path d=\"M" + Xy(north.tail) + 'L' + Xy(north.tip) +
               "\" stroke=\"#000000\" stroke-width=\"1.5\"/>\n<path d=\"M" + Xy(north.tip) + 'L' +
               Xy(left) + 'L' + Xy(right) + "Z\" fill=\"#000000\"/>\n";
        svg += Text(north.letter);
    }
    if (picture.legendSample) {
        const PicturePoint sample = *picture.legendSample;
        svg += "<path d=\"M" + Xy(sample) + 'L' + Xy({sample.x + 24, sample.y}) +
               "\" stroke=\"#1f3b73\" stroke-width=\"1.2\" stroke-dasharray=\"5 3\"/>\n";
    }
    if (picture.legendTitle)
        svg += Text(*picture.legendTitle);
    for (const PictureText& text : picture.legend)
        svg += Text(text);
    for (const PictureText& text : picture.caption)
        svg += Text(text);
    return svg + "</svg>\n";
}

std::string MapSvg(const Geos& geos, const Catchment& catchment)
{
    return PictureSvg(LayOutMap(geos, catchment));
}

} // namespace thiessen
