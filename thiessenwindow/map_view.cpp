#include "thiessenwindow/map_view.h"

#include "thiessen/output/map_picture.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <array>
#include <cmath>

namespace rainfall {

namespace {

// Light enough that dark text reads on every one of them, distinct enough
// that neighbouring cells stand apart.
constexpr qreal FitMargin = 0.06; // of the widget's size, on each side
constexpr int DragThreshold = 4;  // pixels the pointer moves before a click is a drag

} // namespace

MapView::MapView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAccessibleName("Map");
    setAccessibleDescription("The catchment, the gauges' Thiessen polygons and the gauges");
    setAutoFillBackground(false);
}

int MapView::ColourCount()
{
    return static_cast<int>(thiessen::CellPalette().size());
}

void MapView::SetMap(const QPainterPath& outline, const std::vector<Gauge>& gauges,
                     const std::vector<QPainterPath>& cells)
{
    outline_ = outline;
    basins_.clear();
    gauges_ = gauges;
    cells_ = cells;
    tips_.clear();
    GroupCells();
    selected_ = -1;
    Fit();
}

// The cells of each colour as one path, and all their edges as another:
// thousands of cells are drawn in a few calls rather than one each.
void MapView::GroupCells()
{
    fills_.assign(static_cast<std::size_t>(ColourCount()), QPainterPath());
    edges_ = QPainterPath();
    for (std::size_t i = 0; i < cells_.size() && i < gauges_.size(); ++i) {
        fills_[static_cast<std::size_t>(gauges_[i].colour % ColourCount())].addPath(cells_[i]);
        edges_.addPath(cells_[i]);
    }
}

void MapView::SetBasins(const std::vector<QPainterPath>& basins)
{
    basins_ = basins;
    update();
}

void MapView::Clear()
{
    SetMap({}, {}, {});
}

void MapView::SetCells(const std::vector<QPainterPath>& cells, const QStringList& tips)
{
    cells_ = cells;
    tips_ = tips;
    GroupCells();
    update();
}

void MapView::SetSelected(int gauge)
{
    if (gauge == selected_)
        return;
    selected_ = gauge;
    update();
}

void MapView::Fit()
{
    fitted_ = true;
    // Gauges are points: QRectF::united passes over empty rectangles.
    qreal left = outline_.isEmpty() ? qInf() : outline_.boundingRect().left();
    qreal right = outline_.isEmpty() ? -qInf() : outline_.boundingRect().right();
    qreal top = outline_.isEmpty() ? qInf() : outline_.boundingRect().top();
    qreal bottom = outline_.isEmpty() ? -qInf() : outline_.boundingRect().bottom();
    for (const Gauge& gauge : gauges_)
        if (gauge.hasArea || outline_.isEmpty()) {
            left = std::min(left, gauge.place.x());
            right = std::max(right, gauge.place.x());
            top = std::min(top, gauge.place.y());
            bottom = std::max(bottom, gauge.place.y());
        }
    const QRectF bounds =
        left <= right ? QRectF(QPointF(left, top), QPointF(right, bottom)) : QRectF();
    // Room on the right and below for the ids, which are drawn beside their
    // dots in pixels at any scale.
    qreal idWidth = 0;
    for (const Gauge& gauge : gauges_)
        if (gauge.hasArea || outline_.isEmpty())
            idWidth = std::max(idWidth, fontMetrics().horizontalAdvance(gauge.id) + 7 * Pixels());
    const qreal idHeight = fontMetrics().height();
    const qreal usable = 1 - 2 * FitMargin;
    const qreal roomX = std::max(width() * usable - idWidth, width() * usable / 2);
    const qreal roomY = std::max(height() * usable - idHeight, height() * usable / 2);
    const qreal sx = bounds.width() > 0 ? roomX / bounds.width() : 1;
    const qreal sy = bounds.height() > 0 ? roomY / bounds.height() : 1;
    scale_ = std::max(std::min(sx, sy), 1e-12);
    centre_ = bounds.center() + QPointF(idWidth / 2, -idHeight / 2) / scale_;
    update();
}

QTransform MapView::ToScreen(QSize size, qreal scale) const
{
    QTransform transform;
    transform.translate(size.width() / 2.0, size.height() / 2.0);
    transform.scale(scale, -scale);
    transform.translate(-centre_.x(), -centre_.y());
    return transform;
}

void MapView::ZoomAt(QPointF position, qreal factor)
{
    const QPointF fixed = ToScreen().inverted().map(position);
    scale_ *= factor;
    centre_ = QPointF(fixed.x() - (position.x() - width() / 2.0) / scale_,
                      fixed.y() + (position.y() - height() / 2.0) / scale_);
    fitted_ = false;
    update();
}

// The gauge whose cell holds the point, or failing that whose dot is under it.
int MapView::GaugeAt(QPoint position) const
{
    const QTransform toScreen = ToScreen();
    const qreal reach = 6 * Pixels();
    for (std::size_t i = 0; i < gauges_.size(); ++i)
        if (QLineF(toScreen.map(gauges_[i].place), position).length() <= reach)
            return static_cast<int>(i);
    const QPointF place = toScreen.inverted().map(QPointF(position));
    for (std::size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].contains(place))
            return static_cast<int>(i);
    return -1;
}

bool MapView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int gauge = GaugeAt(help->pos());
        if (gauge >= 0 && gauge < tips_.size())
            QToolTip::showText(help->globalPos(), tips_[gauge], this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void MapView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (fitted_)
        Fit();
}

void MapView::wheelEvent(QWheelEvent* event)
{
    ZoomAt(event->position(), std::pow(1.0015, event->angleDelta().y()));
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressedAt_ = lastDragAt_ = event->position().toPoint();
    dragging_ = false;
}

void MapView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    if (!dragging_ && (at - pressedAt_).manhattanLength() < DragThreshold)
        return;
    dragging_ = true;
    const QPoint moved = at - lastDragAt_;
    lastDragAt_ = at;
    centre_ -= QPointF(moved.x() / scale_, -moved.y() / scale_);
    fitted_ = false;
    setCursor(Qt::ClosedHandCursor);
    update();
}

void MapView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    unsetCursor();
    if (!dragging_) {
        const int gauge = GaugeAt(event->position().toPoint());
        if (gauge >= 0)
            emit gaugeClicked(gauge);
    }
    dragging_ = false;
}

void MapView::keyPressEvent(QKeyEvent* event)
{
    const QPointF middle(width() / 2.0, height() / 2.0);
    const qreal step = 40 * Pixels() / scale_;
    switch (event->key()) {
    case Qt::Key_F:
    case Qt::Key_Home:
        Fit();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAt(middle, 1.25);
        return;
    case Qt::Key_Minus:
        ZoomAt(middle, 0.8);
        return;
    case Qt::Key_Left:
        centre_.rx() -= step;
        break;
    case Qt::Key_Right:
        centre_.rx() += step;
        break;
    case Qt::Key_Up:
        centre_.ry() += step;
        break;
    case Qt::Key_Down:
        centre_.ry() -= step;
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    fitted_ = false;
    update();
}

void MapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Paint(painter, size(), ToScreen());
}

void MapView::Paint(QPainter& painter, QSize size, const QTransform& toScreen) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(QPoint(0, 0), size), palette().color(QPalette::Base));
    if (outline_.isEmpty() && gauges_.empty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter | Qt::TextWordWrap,
                         tr("Open the gauges and the catchment boundary from the File menu, "
                            "or drop the files here."));
        return;
    }
    painter.setTransform(toScreen);
    PaintCells(painter);
    painter.resetTransform();
    PaintGauges(painter, size, toScreen);
}

// The cells, the outlines of the catchment and its sub-basins, and the
// selected gauge's cell, on the plane.
void MapView::PaintCells(QPainter& painter) const
{
    const qreal pixels = Pixels();
    QPen cellEdge(QColor(120, 120, 120), 1 * pixels);
    cellEdge.setCosmetic(true);
    painter.setPen(Qt::NoPen);
    for (std::size_t c = 0; c < fills_.size(); ++c) {
        const thiessen::Rgb fill = thiessen::CellPalette()[c];
        painter.setBrush(QColor(fill.r, fill.g, fill.b));
        painter.drawPath(fills_[c]);
    }
    painter.setPen(cellEdge);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(edges_);
    QPen outline(palette().color(QPalette::Text), 2 * pixels);
    outline.setCosmetic(true);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline_);
    // Dark dashes with white between them: seen over light cells and over a
    // dark background alike.
    QPen basinGaps(Qt::white, 1.5 * pixels);
    QPen basinEdge(QColor(40, 40, 40), 1.5 * pixels, Qt::DashLine);
    basinGaps.setCosmetic(true);
    basinEdge.setCosmetic(true);
    for (const QPen& pen : {basinGaps, basinEdge}) {
        painter.setPen(pen);
        for (const QPainterPath& basin : basins_)
            painter.drawPath(basin);
    }
    if (selected_ >= 0 && selected_ < static_cast<int>(cells_.size())) {
        QColor highlight = palette().color(QPalette::Highlight);
        QPen edge(highlight, 3 * pixels);
        edge.setCosmetic(true);
        highlight.setAlpha(90);
        painter.setPen(edge);
        painter.setBrush(highlight);
        painter.drawPath(cells_[selected_]);
    }
}

// The dots and ids in pixels, so that they keep their size at any zoom;
// each id on a light patch of its own, legible on any background.
void MapView::PaintGauges(QPainter& painter, QSize size, const QTransform& toScreen) const
{
    const qreal pixels = Pixels();
    const QFontMetricsF metrics(painter.font());
    // Ids only where there is room for them: with thousands of gauges in
    // view they would hide the map, and they are the slowest thing to draw.
    // Dots as small as the crowd in view needs, so that the cells still show.
    const QRectF view(QPointF(0, 0), QSizeF(size));
    const QRectF extent = toScreen.mapRect(outline_.boundingRect()).intersected(view);
    const auto inView = std::count_if(gauges_.begin(), gauges_.end(), [&](const Gauge& gauge) {
        return view.contains(toScreen.map(gauge.place));
    });
    const qreal room =
        std::max(extent.width() * extent.height(), view.width() * view.height() / 4) /
        std::max<qreal>(inView, 1);
    const bool withIds = room >= std::pow(40 * pixels, 2);
    const qreal radius = std::clamp(std::sqrt(room) / 4, 1.2 * pixels, 3.5 * pixels);
    for (std::size_t i = 0; i < gauges_.size(); ++i) {
        const QPointF dot = toScreen.map(gauges_[i].place);
        // A gauge without a cell (missing at the step shown, or outside the
        // catchment) is a ring.
        const bool hasCell = i < cells_.size() && !cells_[i].isEmpty();
        const QColor fill =
            static_cast<int>(i) == selected_ ? palette().color(QPalette::Highlight) : Qt::black;
        painter.setPen(hasCell ? QPen(Qt::white, 1 * pixels) : QPen(fill, 1.5 * pixels));
        painter.setBrush(hasCell ? fill : QColor(Qt::white));
        painter.drawEllipse(dot, radius, radius);
        if (!withIds)
            continue;
        QRectF label = metrics.boundingRect(gauges_[i].id);
        label.moveTopLeft(dot + QPointF(radius + 2 * pixels, radius - 2 * pixels));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 200));
        painter.drawRect(label.adjusted(-1 * pixels, 0, 1 * pixels, 0));
        painter.setPen(Qt::black);
        painter.drawText(label, Qt::AlignCenter, gauges_[i].id);
    }
}

} // namespace rainfall
