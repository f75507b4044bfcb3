#pragma once

#include "thiessen/study/catchment.h"
#include "thiessenwindow/model/series_loader.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rainfall {

// Where a study's files are, and what was chosen in them.
struct StudyFiles {
    std::optional<std::string> gauges;
    std::optional<std::string> boundary;
    std::string layer;      // of a boundary file with several polygon layers
    std::string basinField; // the field that names the sub-basins; none for one catchment
};

// What a user reads in one row of the gauges' table.
struct GaugeRow {
    QString id, x, y;
    QString area;   // in the catchment's unit; empty before there is a catchment
    QString weight; // in the chosen basin, to four places
    QString rainfall;
    bool hasArea = false; // its cell reaches into the chosen basin
};

// The five results of the rows' pairs, as the calculator shows them.
struct StudyResults {
    QString values[5]; // number, mean, standard deviation, Thiessen mean, sum of areas
    bool canHandOver = false;
};

// The open study of the Thiessen window, without widgets: the gauges and the
// catchment (with its sub-basins) read from the files, the rainfall typed for
// each gauge, a series read in the background, and the chosen basin and
// step. The map, the table, the results and the plot observe it. Each new
// study or cancelled read takes a new revision; a series read for an older
// one is dropped.
class StudyModel : public QObject {
    Q_OBJECT

public:
    explicit StudyModel(QObject* parent = nullptr);
    ~StudyModel() override;

    // Reads the files as a whole: either they make a study (gauges alone, or
    // gauges and a boundary) or nothing changes. Throws what the readers
    // throw, naming the file. New gauges drop the typed rainfall; any new
    // study drops the series.
    void Open(const StudyFiles& files);
    const StudyFiles& Files() const { return files_; }
    int Revision() const { return revision_; }

    std::size_t GaugeCount() const;
    const thiessen::GaugeTable* Gauges() const;
    const thiessen::Catchment* Catchment() const { return catchment_.get(); }
    const thiessen::Geos& Geos() const { return *geos_; }
    // The boundary file's polygon layers, with their fields.
    const std::vector<thiessen::PolygonLayerInfo>& Layers() const { return layers_; }
    // What was repaired, merged or looks wrong in the files, and what the
    // series' numbers hide, a line each.
    QStringList Notes() const;
    // "km²", or empty where the unit is unknown.
    QString AreaUnit() const;
    // The coordinate systems of the files, or that they name none.
    QString SystemNames() const;

    // The basins: the whole catchment, then each sub-basin.
    QStringList BasinNames() const;
    int Basin() const { return basin_; }
    void ChooseBasin(int basin);
    const thiessen::Coverage* ChosenCoverage() const;

    // The rainfall typed for the whole diagram.
    QString TypedRainfall(int gauge) const { return typed_.value(gauge); }
    void SetTypedRainfall(int gauge, const QString& text);
    bool HasUnsavedRainfall() const { return unsaved_; }
    // The typed rainfall as a series of one step, in the command's form.
    std::string RainfallCsv(const std::string& time) const;
    void MarkRainfallSaved() { unsaved_ = false; }

    // The series: read in the background; a read of one step gives typed
    // rainfall instead.
    void OpenSeries(const std::string& path);
    void CancelSeries();
    bool ReadingSeries() const;
    std::shared_ptr<const Series> CurrentSeries() const { return series_; }
    // -1 shows the whole diagram with the typed rainfall.
    int Step() const { return step_; }
    void ChooseStep(int step);
    QString StepText() const;
    // The chosen basin's results, step after step, as the command writes them.
    std::string SeriesCsv() const;

    GaugeRow Row(int gauge) const;
    StudyResults Results() const;
    // The rows' pairs of rainfall and area, as the calculator takes them.
    std::vector<std::pair<QString, QString>> Pairs() const;
    // The gauges missing at the chosen step (none at -1).
    std::vector<bool> Missing() const;
    // Each gauge's area in the chosen basin at the chosen step, in the
    // catchment's unit.
    const std::vector<double>& Areas() const { return areas_; }

signals:
    void studyChanged();  // new files or basin: everything anew
    void valuesChanged(); // the step or the typed rainfall: areas, rainfall, results
    void seriesChanged(); // a series loaded or dropped
    void seriesProgress(int percent);
    void seriesFailed(const QString& message);
    void seriesEnded(); // loaded, failed or cancelled

private:
    void ComputeAreas();
    void SeriesLoaded(std::shared_ptr<const Series> series, int revision);
    void TakeAsTyped(const Series& series);
    void DropSeries();
    QStringList SeriesNotes(const Series& series, const QString& name) const;

    std::unique_ptr<thiessen::Geos> geos_;
    StudyFiles files_;
    std::optional<thiessen::GaugeTable> gauges_;
    std::shared_ptr<const thiessen::Catchment> catchment_;
    std::vector<thiessen::PolygonLayerInfo> layers_;
    int revision_ = 0;
    int basin_ = 0;
    QStringList typed_;
    bool unsaved_ = false;
    std::shared_ptr<const Series> series_;
    QString seriesName_;
    QStringList seriesNotes_;
    int step_ = -1;
    std::vector<double> areas_;
    SeriesLoader* loader_ = nullptr;
};

} // namespace rainfall
