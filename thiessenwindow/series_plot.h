#pragma once

#include "thiessenwindow/model/series_loader.h"

#include <QWidget>

#include <memory>

namespace rainfall {

// The catchment rainfall of a series, one bar per step (the highest of the
// steps a column of pixels stands for), with a mark below each step where
// gauges were missing and another where none reported. Clicking, dragging or
// the arrow keys, Page Up, Page Down, Home and End select a step; Escape
// leaves the steps.
class SeriesPlot : public QWidget {
    Q_OBJECT

public:
    explicit SeriesPlot(QWidget* parent = nullptr);

    // The rainfall of one basin of the series: 0 the whole catchment.
    void SetSeries(std::shared_ptr<const Series> series, std::size_t basin = 0);
    // -1: no step.
    void SetCurrent(int step);
    int Current() const { return current_; }
    QSize sizeHint() const override;

signals:
    void stepSelected(int step);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF PlotArea() const;
    int StepAt(qreal x) const;
    void Select(int step);
    qreal Pixels() const { return logicalDpiY() / 96.0; }

    std::shared_ptr<const Series> series_;
    std::size_t basin_ = 0;
    double highest_ = 0;
    int current_ = -1;
};

} // namespace rainfall
