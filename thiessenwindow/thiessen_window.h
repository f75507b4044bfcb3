#pragma once

#include "thiessen/study/catchment.h"
#include "thiessenwindow/model/series_loader.h"

#include <QMainWindow>
#include <QPainterPath>

#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace rainfall {

class MapView;
class SeriesPlot;
class W;

// The Thiessen polygons of a catchment in a window: a map of the gauges'
// cells, a table of the gauges with their areas and weights into which the
// rainfall is typed, the results the calculator would give for those pairs,
// and a series' catchment rainfall step by step, each step with the cells of
// the gauges that reported. Files come from the File menu, by drag and drop
// or from the command line; a file that cannot be read is refused with a
// message that says where, and the window keeps what it had.
class ThiessenWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit ThiessenWindow(QWidget* parent = nullptr);
    ~ThiessenWindow() override;

    // Each returns whether the file was taken.
    bool OpenGauges(const QString& path);
    bool OpenBoundary(const QString& path);
    bool OpenSeries(const QString& path); // reading goes on in the background
    // The gauges, the boundary and the series, in that order, each optional.
    void OpenInOrder(const QStringList& paths);
    // Files of any kind, told apart by their content and name.
    void OpenDropped(const QStringList& paths);

    // Opens the calculator with the table's pairs accepted.
    W* ToCalculator();
    void ShowStep(int step); // -1: the whole diagram and the typed rainfall

    // The exports; each writes the whole file or nothing and reports a failure.
    bool ExportWeights(const QString& path);
    bool ExportSeries(const QString& path);
    bool ExportCells(const QString& path);
    bool ExportMapPng(const QString& path);
    bool ExportMapSvg(const QString& path);

signals:
    void seriesLoaded();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildSidePanel();
    QWidget* BuildSeriesBar();
    bool Take(std::optional<std::string> gaugesPath, std::optional<std::string> boundaryPath);
    void Refuse(const QString& path, const std::exception& error);
    void ShowCatchment();
    void FillTable(const std::vector<double>& areas, const QStringList& rainfall);
    void UpdateResults();
    QStringList ToolTips() const;
    QString StepHint() const;
    void UpdateActions();
    void RainfallEdited(int row);
    void SeriesLoaded(std::shared_ptr<const Series> series);
    void SeriesEnded();
    bool Export(const QString& path, const std::string& content);
    void AskAndExport(const QString& title, const QString& filter,
                      bool (ThiessenWindow::*exporter)(const QString&));
    QString AskToOpen(const QString& title, const QString& filter);

    // The catchment's geometries belong to this context, which lives as long
    // as any share of the catchment, the series reader's too.
    std::shared_ptr<thiessen::Geos> geosOwner_ = std::make_shared<thiessen::Geos>();
    thiessen::Geos& geos_ = *geosOwner_;
    std::optional<std::string> gaugesPath_;
    std::optional<std::string> boundaryPath_;
    std::optional<thiessen::GaugeTable> gauges_; // read before a boundary is
    std::shared_ptr<const thiessen::Catchment> catchment_;
    std::vector<QPainterPath> cells_;
    QStringList typedRainfall_; // the rainfall typed for the whole diagram
    std::shared_ptr<const Series> series_;
    QString seriesPath_;
    int step_ = -1;
    int seriesRevision_ = 0; // of the latest series read started
    bool filling_ = false;   // the table is being filled, not edited
    bool placed_ = false;

    MapView* map_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* results_[5] = {};
    QLabel* stepLabel_ = nullptr;
    QLabel* notes_ = nullptr; // what was repaired or merged, shown only then
    QPushButton* toCalculator_ = nullptr;
    SeriesPlot* plot_ = nullptr;
    QWidget* loadingBar_ = nullptr;
    QProgressBar* progress_ = nullptr;
    SeriesLoader* loader_ = nullptr;
    QAction* openSeries_ = nullptr;
    QList<QAction*> catchmentExports_;
    QAction* exportSeries_ = nullptr;
};

} // namespace rainfall
