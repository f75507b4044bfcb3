#include "thiessenwindow/series_plot.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace rainfall {

namespace {

bool IsDark(const QColor& colour)
{
    return colour.lightnessF() < 0.5;
}

} // namespace

SeriesPlot::SeriesPlot(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Catchment rainfall per step");
    setAccessibleDescription("A bar for each time step; marks below the steps where gauges were "
                             "missing. The arrow keys select a step.");
}

QSize SeriesPlot::sizeHint() const
{
    return QSize(400, 110) * Pixels();
}

void SeriesPlot::SetSeries(std::shared_ptr<const Series> series, std::size_t basin)
{
    series_ = std::move(series);
    basin_ = basin;
    highest_ = 0;
    for (std::size_t s = 0; series_ && s < series_->Size(); ++s)
        highest_ = std::max(highest_, series_->Step(s, basin_).rainfall.value_or(0));
    current_ = -1;
    update();
}

void SeriesPlot::SetCurrent(int step)
{
    current_ = step;
    update();
}

void SeriesPlot::Select(int step)
{
    if (!series_ || series_->Size() == 0)
        return;
    step = std::clamp(step, 0, static_cast<int>(series_->Size()) - 1);
    if (step == current_)
        return;
    SetCurrent(step);
    emit stepSelected(step);
}

QRectF SeriesPlot::PlotArea() const
{
    const qreal p = Pixels();
    const qreal left = fontMetrics().horizontalAdvance("0000.0") + 8 * p;
    return QRectF(left, 6 * p, width() - left - 6 * p, height() - 6 * p - 18 * p);
}

int SeriesPlot::StepAt(qreal x) const
{
    const QRectF area = PlotArea();
    const auto steps = static_cast<qreal>(series_->Size());
    return static_cast<int>((x - area.left()) / area.width() * steps);
}

void SeriesPlot::mousePressEvent(QMouseEvent* event)
{
    if (series_ && event->button() == Qt::LeftButton)
        Select(StepAt(event->position().x()));
}

void SeriesPlot::mouseMoveEvent(QMouseEvent* event)
{
    if (series_ && (event->buttons() & Qt::LeftButton))
        Select(StepAt(event->position().x()));
}

void SeriesPlot::keyPressEvent(QKeyEvent* event)
{
    if (!series_ || series_->Size() == 0)
        return QWidget::keyPressEvent(event);
    const int last = static_cast<int>(series_->Size()) - 1;
    const int page = std::max(1, last / 10);
    switch (event->key()) {
    case Qt::Key_Left:
        return Select(current_ < 0 ? 0 : current_ - 1);
    case Qt::Key_Right:
        return Select(current_ + 1);
    case Qt::Key_PageUp:
        return Select(current_ - page);
    case Qt::Key_PageDown:
        return Select(current_ + page);
    case Qt::Key_Home:
        return Select(0);
    case Qt::Key_End:
        return Select(last);
    case Qt::Key_Escape:
        if (current_ >= 0) {
            SetCurrent(-1);
            emit stepSelected(-1);
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void SeriesPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal p = Pixels();
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    painter.fillRect(rect(), base);
    if (hasFocus()) {
        QPen focus(palette().color(QPalette::Highlight), 1 * p);
        painter.setPen(focus);
        painter.drawRect(QRectF(rect()).adjusted(0.5 * p, 0.5 * p, -0.5 * p, -0.5 * p));
    }
    if (!series_ || series_->Size() == 0)
        return;
    const QRectF area = PlotArea();
    const double top = highest_ > 0 ? highest_ : 1;
    painter.setPen(text);
    painter.drawText(QRectF(0, area.top(), area.left() - 4 * p, fontMetrics().height()),
                     Qt::AlignRight | Qt::AlignTop, QString::number(top, 'g', 4));
    painter.drawText(QRectF(0, area.bottom() - fontMetrics().height(), area.left() - 4 * p,
                            fontMetrics().height()),
                     Qt::AlignRight | Qt::AlignBottom, "0");
    painter.drawLine(QPointF(area.left(), area.bottom()), QPointF(area.right(), area.bottom()));

    const bool dark = IsDark(base);
    const QColor bar = dark ? QColor(110, 170, 240) : QColor(40, 100, 180);
    const QColor gap = dark ? QColor(255, 120, 100) : QColor(200, 30, 0);
    const QColor none = dark ? QColor(200, 200, 200) : QColor(90, 90, 90);
    const auto steps = static_cast<qreal>(series_->Size());
    const int columns = std::max(1, static_cast<int>(area.width() / p));
    const qreal columnWidth = area.width() / columns;
    for (int c = 0; c < columns; ++c) {
        const auto first = static_cast<std::size_t>(c * steps / columns);
        const auto end = std::max(first + 1, static_cast<std::size_t>((c + 1) * steps / columns));
        double value = 0;
        bool gaps = false;
        bool empty = false;
        for (std::size_t s = first; s < end && s < series_->Size(); ++s) {
            const thiessen::StepRainfall& step = series_->Step(s, basin_);
            value = std::max(value, step.rainfall.value_or(0));
            gaps = gaps || series_->HasGaps(s);
            empty = empty || !step.rainfall;
        }
        const qreal x = area.left() + c * columnWidth;
        const qreal height = area.height() * value / top;
        painter.fillRect(QRectF(x, area.bottom() - height, columnWidth, height), bar);
        if (gaps)
            painter.fillRect(QRectF(x, area.bottom() + 3 * p, columnWidth, 5 * p),
                             empty ? none : gap);
    }
    if (current_ >= 0) {
        const qreal x = area.left() + (current_ + 0.5) * area.width() / steps;
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2 * p));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom() + 9 * p));
    }
}

} // namespace rainfall
