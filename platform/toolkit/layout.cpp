#include "layout.h"

#include "runtime_error.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace rainfall {

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

QFont PlatformFont(const QString& face, qreal points, bool bold, bool italic)
{
    static const QHash<QString, QString> debianFace = {
        {"MS Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
        {"System", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Arial Narrow", "Liberation Sans Narrow"},
    };
    QFont font(debianFace.value(face, face));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QColor SystemColour(int index)
{
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 2:  // active title bar
    case 13: // highlight
        return palette.color(QPalette::Active, QPalette::Highlight);
    case 5: // window background
        return palette.color(QPalette::Active, QPalette::Base);
    case 6: // window frame: drawn in the colour of window text, black by default
        return palette.color(QPalette::Active, QPalette::WindowText);
    case 7: // menu text
        return palette.color(QPalette::Active, QPalette::WindowText);
    case 8: // window text
        return palette.color(QPalette::Active, QPalette::Text);
    case 14: // highlight text
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 18: // button text
        return palette.color(QPalette::Active, QPalette::ButtonText);
    }
    throw RuntimeError(RuntimeError::Kind::InvalidArgument, "no such system colour");
}

void SetColour(QWidget* control, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

void DrawLines(QPainter& painter, const std::vector<TwipsLine>& lines)
{
    const auto pixels = [](QPoint twips) { return QPoint(Pixels(twips.x()), Pixels(twips.y())); };
    for (const TwipsLine& line : lines) {
        painter.setPen(QPen(line.colour, line.width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(pixels(line.from), pixels(line.to));
    }
}

} // namespace rainfall
