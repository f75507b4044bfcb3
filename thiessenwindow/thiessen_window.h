#pragma once

#include "thiessenwindow/model/study_model.h"

#include <QMainWindow>

#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace rainfall {

class GaugeTableModel;
class MapView;
class SeriesPlot;
class W;

// The Thiessen polygons of a catchment in a window: a map of the gauges'
// cells, a table of the gauges with their areas and weights into which the
// rainfall is typed, the results the calculator would give for those pairs,
// and a series' catchment rainfall step by step, each step with the cells of
// the gauges that reported. A boundary with sub-basins shows them all, and
// one of them, or the whole catchment, is chosen. Files come from the File
// menu, by drag and drop or from the command line; a file that cannot be
// read is refused with a message that says where, and the window keeps what
// it had. The views observe a model of the open study.
class ThiessenWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit ThiessenWindow(QWidget* parent = nullptr);
    ~ThiessenWindow() override;

    StudyModel& Study() { return study_; }

    // Each returns whether the file was taken.
    bool OpenGauges(const QString& path);
    bool OpenBoundary(const QString& path);
    bool OpenSeries(const QString& path); // reading goes on in the background
    // The gauges, the boundary and the series, in that order, each optional.
    void OpenInOrder(const QStringList& paths);
    // Files of any kind, told apart by their content and name.
    void OpenDropped(const QStringList& paths);
    // Another layer of the boundary file, or another field to name its
    // sub-basins by (empty: one catchment).
    bool ChooseLayer(const QString& layer);
    bool ChooseBasinField(const QString& field);

    // Opens the calculator with the pairs of the chosen basin accepted.
    W* ToCalculator();
    void ShowStep(int step); // -1: the whole diagram and the typed rainfall

    // The exports; each writes the whole file or nothing and reports a failure.
    bool SaveRainfall(const QString& path);
    bool ExportWeights(const QString& path);
    bool ExportSeries(const QString& path);
    bool ExportCells(const QString& path);
    bool ExportMapPng(const QString& path);
    bool ExportMapSvg(const QString& path);

signals:
    void seriesLoaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildStudyBar();
    QWidget* BuildSidePanel();
    QWidget* BuildSeriesBar();
    bool Open(const StudyFiles& files, const std::string& opened);
    bool OpenWith(const std::optional<std::string>& gauges, const QString& boundary);
    void Refuse(const QString& path, const std::exception& error);
    void ShowStudy();
    void ShowStudyBar();
    void ShowValues();
    void ShowCells();
    void ShowSelected();
    void SeriesChanged();
    void SeriesEnded();
    bool MayClose();
    bool Export(const QString& path, const std::string& content);
    void AskAndExport(const QString& title, const QString& filter,
                      bool (ThiessenWindow::*exporter)(const QString&));
    QString AskToOpen(const QString& title, const QString& filter);

    StudyModel study_;
    GaugeTableModel* tableModel_ = nullptr;
    bool placed_ = false;
    int cellsStep_ = -2; // the step whose cells the map shows

    QLabel* notes_ = nullptr;     // what was repaired or merged, shown only then
    QLabel* studyText_ = nullptr; // the area, its unit and the coordinate systems
    QWidget* studyBar_ = nullptr;
    QWidget* choices_ = nullptr;
    QComboBox* layers_ = nullptr;
    QComboBox* fields_ = nullptr;
    QComboBox* basins_ = nullptr;
    MapView* map_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* results_[5] = {};
    QLabel* stepLabel_ = nullptr;
    QPushButton* toCalculator_ = nullptr;
    SeriesPlot* plot_ = nullptr;
    QWidget* loadingBar_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QAction* openSeries_ = nullptr;
    QAction* saveRainfall_ = nullptr;
    QList<QAction*> catchmentExports_;
    QAction* exportSeries_ = nullptr;
};

} // namespace rainfall
