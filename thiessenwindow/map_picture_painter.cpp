#include "thiessenwindow/map_picture_painter.h"

#include <QFontMetricsF>
#include <QPainterPath>

#include <algorithm>

namespace rainfall {

namespace {

// The colour of the catchment's and the sub-basins' outlines.
QColor OutlineBlue()
{
    return {0x1f, 0x3b, 0x73};
}

QColor Colour(thiessen::Rgb rgb)
{
    return QColor(rgb.r, rgb.g, rgb.b);
}

QPointF At(thiessen::PicturePoint point)
{
    return QPointF(point.x, point.y);
}

QPainterPath PathOf(const thiessen::PictureRings& rings)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const auto& ring : rings) {
        QPolygonF polygon;
        polygon.reserve(static_cast<qsizetype>(ring.size()));
        for (const thiessen::PicturePoint& point : ring)
            polygon << At(point);
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    return path;
}

QPen Line(QColor colour, qreal width)
{
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A dash of 5 and a gap of 3 picture units, as in the SVG; Qt counts dashes
// in pen widths.
QPen Dashed(QColor colour, qreal width)
{
    QPen pen = Line(colour, width);
    pen.setDashPattern({5 / width, 3 / width});
    return pen;
}

// The text where the layout put it. A font wider than the one the layout
// measured for is narrowed to the room the layout gave the text, so that
// labels never run into each other.
void DrawText(QPainter& painter, const thiessen::PictureText& text)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(text.style.size + 0.5)));
    font.setBold(text.style.bold);
    font.setItalic(text.style.italic);
    const QString string = QString::fromStdString(text.text);
    const qreal room = thiessen::TextWidth(text.text, text.style.size, text.style.bold);
    QPainterPath path;
    path.addText(0, 0, font, string);
    const qreal drawn = QFontMetricsF(font).horizontalAdvance(string);
    const qreal squeeze = drawn > room && drawn > 0 ? room / drawn : 1;
    const qreal width = std::min(drawn, room);
    qreal left = text.at.x;
    if (text.anchor == thiessen::TextAnchor::Middle)
        left -= width / 2;
    else if (text.anchor == thiessen::TextAnchor::End)
        left -= width;
    painter.save();
    painter.translate(left, text.at.y);
    painter.scale(squeeze, 1);
    if (text.style.halo)
        painter.strokePath(path, Line(Qt::white, 3));
    painter.fillPath(path, Colour(text.style.colour));
    painter.restore();
}

// The scale bar, north and the legend of the sub-basins.
void PaintFurniture(QPainter& painter, const thiessen::MapPicture& picture)
{
    const thiessen::ScaleBar& bar = picture.scaleBar;
    const QPointF start = At(bar.start), end = start + QPointF(bar.length, 0);
    painter.setPen(Line(Qt::black, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF{start - QPointF(0, 6), start, end, end - QPointF(0, 6)});
    for (const thiessen::PictureText& text : bar.texts)
        DrawText(painter, text);
    if (picture.north) {
        const QPointF tail = At(picture.north->tail), tip = At(picture.north->tip);
        const QPointF along = tip - tail, across(-along.y(), along.x());
        painter.drawLine(tail, tip);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPolygon(
            QPolygonF{tip, tip - along / 3 - across / 5, tip - along / 3 + across / 5});
        DrawText(painter, picture.north->letter);
    }
    if (picture.legendSample) {
        const QPointF sample = At(*picture.legendSample);
        painter.setPen(Dashed(OutlineBlue(), 1.2));
        painter.drawLine(sample, sample + QPointF(24, 0));
    }
    if (picture.legendTitle)
        DrawText(painter, *picture.legendTitle);
    for (const thiessen::PictureText& text : picture.legend)
        DrawText(painter, text);
}

} // namespace

void PaintMapPicture(QPainter& painter, const thiessen::MapPicture& picture, QSizeF target)
{
    if (picture.width <= 0 || picture.height <= 0)
        return;
    const qreal fit = std::min(target.width() / picture.width, target.height() / picture.height);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate((target.width() - picture.width * fit) / 2,
                      (target.height() - picture.height * fit) / 2);
    painter.scale(fit, fit);

    painter.setPen(Line(QColor(0x8a, 0x8a, 0x8a), 0.8));
    for (const thiessen::PictureCell& cell : picture.cells) {
        painter.setBrush(Colour(cell.fill));
        painter.drawPath(PathOf(cell.rings));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Dashed(OutlineBlue(), 1.2));
    for (const thiessen::PictureRings& basin : picture.subBasins)
        painter.drawPath(PathOf(basin));
    painter.setPen(Line(OutlineBlue(), 2));
    painter.drawPath(PathOf(picture.catchment));
    for (const thiessen::PictureGauge& gauge : picture.gauges) {
        painter.setPen(Line(gauge.ownsArea ? Qt::white : QColor(0x77, 0x77, 0x77), 1));
        painter.setBrush(gauge.ownsArea ? QColor(0xc0, 0x39, 0x2b) : QColor(Qt::white));
        painter.drawEllipse(At(gauge.at), gauge.radius, gauge.radius);
    }
    for (const thiessen::PictureText& label : picture.labels)
        DrawText(painter, label);

    PaintFurniture(painter, picture);
    for (const thiessen::PictureText& text : picture.caption)
        DrawText(painter, text);
    painter.restore();
}

QImage MapPictureImage(const thiessen::MapPicture& picture, qreal scale)
{
    const QSize size(std::max(1, qRound(picture.width * scale)),
                     std::max(1, qRound(picture.height * scale)));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintMapPicture(painter, picture, QSizeF(size));
    return image;
}

} // namespace rainfall
