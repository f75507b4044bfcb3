#pragma once

// The map of a catchment laid out for a report, as a plain description that
// an SVG writer or a painter draws as it stands: every position is final, in
// picture units (CSS pixels), x to the right and y downwards. The layout
// needs no fonts: text widths are estimated from the metrics of Liberation
// Sans (the same as Arial's and Helvetica's), the family the picture names.

#include "thiessen/study/catchment.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace thiessen {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The fills of the cells: light enough that dark text reads on every one.
const std::array<Rgb, 8>& CellPalette();

// An index into CellPalette for each of the diagram's sites: neighbouring
// cells differ where eight colours allow it. Each cell, in the sites' order,
// takes the colour least used so far among those its neighbours do not
// have; of equally used ones the lowest index.
std::vector<int> CellColours(const Diagram& diagram);

struct PicturePoint {
    double x, y;
};

struct PictureBox {
    double left, top, right, bottom;
    bool Overlaps(const PictureBox& other) const
    {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    bool Contains(PicturePoint p) const
    {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
};

// The rings of a (multi)polygon, drawn with the even-odd rule.
using PictureRings = std::vector<std::vector<PicturePoint>>;

enum class TextAnchor { Start, Middle, End };

// The family the widths are estimated for, as the SVG names it.
inline constexpr const char* kPictureFonts = "Liberation Sans, Arial, Helvetica, sans-serif";

struct TextStyle {
    double size = 12; // pixels
    bool bold = false;
    bool italic = false;
    Rgb colour{0, 0, 0};
    bool halo = false; // a white outline keeps it legible over lines
};

// How wide the text (UTF-8) is at that size: never narrower than Liberation
// Sans draws it.
double TextWidth(const std::string& text, double size, bool bold);

struct PictureText {
    std::string text;
    PicturePoint at; // on the baseline, where the anchor says
    TextAnchor anchor = TextAnchor::Start;
    TextStyle style;
    // The room the text takes, from the ascent of capitals with accents to
    // the descent below the baseline.
    PictureBox Box() const;
};

struct PictureCell {
    std::size_t gauge;
    PictureRings rings;
    Rgb fill;
};

struct PictureGauge {
    std::size_t gauge;
    PicturePoint at;
    bool ownsArea; // drawn as a dot; without area a small ring
    double radius; // smaller where gauges crowd
};

// A bar whose length on the picture is that of the stated ground length.
struct ScaleBar {
    PicturePoint start; // the left end, on the bar's baseline
    double length;      // picture units
    double ground;      // 1, 2 or 5 times a power of ten
    std::string unit;   // "km", or the files' unit
    std::vector<PictureText> texts;
};

struct NorthArrow {
    PicturePoint tail, tip;
    PictureText letter;
};

struct MapPicture {
    double width = 0, height = 0;
    PictureBox map; // the part the catchment is drawn in
    // From the catchment's plane: x' = map.left + (x - planeLeft) * scale,
    // y' = map.top + (planeTop - y) * scale.
    double scale = 1, planeLeft = 0, planeTop = 0;
    std::vector<PictureCell> cells;
    PictureRings catchment;
    std::vector<PictureRings> subBasins; // dashed
    std::vector<PictureGauge> gauges;    // those in view
    // Gauges' names, weights and the sub-basins' names, none overlapping
    // another or a gauge's dot (a sub-basin's may, where gauges crowd).
    std::vector<PictureText> labels;
    ScaleBar scaleBar;
    std::optional<NorthArrow> north; // only where the coordinate system is known
    // With sub-basins: a dashed sample line of 24 units from legendSample,
    // the title beside it, the sub-basins by number below.
    std::optional<PicturePoint> legendSample;
    std::optional<PictureText> legendTitle;
    std::vector<PictureText> legend;
    std::vector<PictureText> caption;

    PicturePoint OnPicture(double x, double y) const
    {
        return {map.left + (x - planeLeft) * scale, map.top + (planeTop - y) * scale};
    }
};

// The picture of the catchment, its cells, sub-basins and gauges.
MapPicture LayOutMap(const Geos& geos, const Catchment& catchment);

// The picture as an SVG document.
std::string PictureSvg(const MapPicture& picture);

} // namespace thiessen
