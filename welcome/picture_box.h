#pragma once

#include <QFrame>

#include <vector>

class QPainter;

namespace rainfall {

// A straight solid line, given in twips by its two end points, in a system
// colour and a width in pixels centred on the segment.
struct TwipsLine {
    int x1;
    int y1;
    int x2;
    int y2;
    int systemColour;
    int width;
};

// Draws the lines onto whatever `painter` paints.
void DrawLines(QPainter& painter, const std::vector<TwipsLine>& lines);

// A picture box: a child area with a thin flat border that holds controls.
// They are placed relative to its inner area, inside the border, and clipped
// at the border; its lines are drawn onto that area, beneath the controls.
class PictureBox : public QFrame {
public:
    PictureBox(const QRect& geometry, std::vector<TwipsLine> lines, QWidget* parent);

    // The inner area: the parent for the controls the box holds.
    QWidget* area() const { return area_; }

private:
    QWidget* area_;
};

} // namespace rainfall
