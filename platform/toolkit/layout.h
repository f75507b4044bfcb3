#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;
class QWidget;

namespace rainfall {

// The windows are laid out in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int Pixels(int twips)
{
    return twips / 15;
}

// A rectangle given in twips, as pixels.
QRect TwipsRect(int left, int top, int width, int height);

// The font of a classic Windows face, mapped to the face Debian ships for it:
// "MS Sans Serif", "Arial" and "System" to Liberation Sans, "Times New Roman"
// to Liberation Serif, "Arial Narrow" to Liberation Sans Narrow.
QFont PlatformFont(const QString& face, qreal points, bool bold, bool italic = false);

// A Windows system colour by its index, taken from the application's palette:
// 2 active title bar, 5 window background, 6 window frame, 7 menu text,
// 8 window text, 13 highlight, 14 highlight text, 18 button text.
QColor SystemColour(int index);

// Gives one colour role of a control's palette its own colour.
void SetColour(QWidget* control, QPalette::ColorRole role, const QColor& colour);

// A straight solid line of a window's layout: its two end points in twips, a
// width in pixels centred on the segment, and a colour. Lines that fall
// outside their window belong to it all the same and are simply never seen.
struct TwipsLine {
    const char* name;
    QPoint from;
    QPoint to;
    int width;
    QColor colour;
};

// Draws the lines in order, wide ones with round ends as the classic drawing
// pens have them.
void DrawLines(QPainter& painter, const std::vector<TwipsLine>& lines);

} // namespace rainfall
