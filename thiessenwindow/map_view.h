#pragma once

#include <QPainterPath>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace rainfall {

// The map of a catchment: its outline, each gauge's cell in a light colour
// of its own, the gauges as dots with their ids. Fitting shows the catchment
// and every gauge whose cell reaches into it. Coordinates are those of the
// catchment's plane, y upwards. The wheel zooms at the pointer, dragging
// pans, F or Home fits the catchment again, and + and - and the arrow keys do
// the same from the keyboard. Pointing at a cell tells its gauge, area and
// weight; clicking it selects its gauge.
class MapView : public QWidget {
    Q_OBJECT

public:
    struct Gauge {
        QPointF place;
        QString id;
        int colour = 0;      // an index into the map's light colours
        bool hasArea = true; // its cell reaches into the basin shown
    };

    explicit MapView(QWidget* parent = nullptr);

    // A new map, fitted to the catchment.
    void SetMap(const QPainterPath& outline, const std::vector<Gauge>& gauges,
                const std::vector<QPainterPath>& cells);
    void Clear();
    // The outlines of the sub-basins, drawn dashed over the cells.
    void SetBasins(const std::vector<QPainterPath>& basins);
    // Other cells for the same gauges (those of one time step), with their
    // tooltips; the view stays where it is.
    void SetCells(const std::vector<QPainterPath>& cells, const QStringList& tips);
    void SetSelected(int gauge);
    int Selected() const { return selected_; }
    void Fit();

    // The plane's point under a pixel of the view.
    QPointF PlaneAt(QPointF pixel) const { return ToScreen().inverted().map(pixel); }

    static int ColourCount();

signals:
    void gaugeClicked(int gauge);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void GroupCells();
    void Paint(QPainter& painter, QSize size, const QTransform& toScreen) const;
    void PaintCells(QPainter& painter) const;
    void PaintGauges(QPainter& painter, QSize size, const QTransform& toScreen) const;
    // From the plane to pixels, at a scale in pixels per plane unit.
    QTransform ToScreen(QSize size, qreal scale) const;
    QTransform ToScreen() const { return ToScreen(size(), scale_); }
    int GaugeAt(QPoint position) const;
    void ZoomAt(QPointF position, qreal factor);
    qreal Pixels() const { return logicalDpiY() / 96.0; }

    QPainterPath outline_;
    std::vector<QPainterPath> basins_;
    std::vector<Gauge> gauges_;
    std::vector<QPainterPath> cells_;
    std::vector<QPainterPath> fills_; // the cells of each colour
    QPainterPath edges_;
    QStringList tips_;
    int selected_ = -1;
    // The view: the plane's point at the centre and pixels per plane unit.
    QPointF centre_;
    qreal scale_ = 1;
    bool fitted_ = true; // follows the window's size until zoomed or panned
    QPoint pressedAt_;
    QPoint lastDragAt_;
    bool dragging_ = false;
};

} // namespace rainfall
