#include "thiessenwindow/model/study_model.h"

#include "errors/runtime_error.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"
#include "stats/single.h"
#include "thiessen/output/output.h"
#include "thiessenwindow/model/core_path.h"
#include "thiessenwindow/model/rainfall_text.h"

#include <QFileInfo>

#include <charconv>
#include <cmath>

namespace rainfall {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// A value in the shortest text that reads back to the same single-precision
// number: typed into the calculator, it gives exactly the value the results
// here are computed from.
QString SingleText(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, ToSingle(value)).ptr;
    return QString::fromLatin1(text, end - text);
}

// A coordinate as it reads back to the same number, without an exponent
// where one is not needed: 700000 rather than 7e+05.
QString CoordinateText(double value)
{
    char text[400];
    const bool plain = std::abs(value) >= 1e-4 && std::abs(value) < 1e15;
    const auto end = plain
                         ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                         : std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, end.ptr - text);
}

// A catchment with the GEOS context its geometries were made in, which must
// outlive them, shared as the catchment alone.
struct CatchmentWithContext {
    thiessen::Geos geos;
    thiessen::Catchment catchment;
};

// A rainfall text without the blanks the calculator's fields ignore.
QString Compact(QString text)
{
    text.removeIf([](QChar c) { return c.unicode() < 0x80 && IsBlank(char(c.unicode())); });
    return text;
}

} // namespace

StudyModel::StudyModel(QObject* parent)
    : QObject(parent), geos_(std::make_unique<thiessen::Geos>()), loader_(new SeriesLoader(this))
{
    connect(loader_, &SeriesLoader::progress, this, [this](int percent, int revision) {
        if (revision == revision_)
            emit seriesProgress(percent);
    });
    connect(loader_, &SeriesLoader::loaded, this, &StudyModel::SeriesLoaded);
    connect(loader_, &SeriesLoader::cancelled, this, [this](int revision) {
        if (revision == revision_)
            emit seriesEnded();
    });
    connect(loader_, &SeriesLoader::failed, this, [this](const QString& message, int revision) {
        if (revision != revision_)
            return;
        emit seriesEnded();
        emit seriesFailed(message);
    });
}

StudyModel::~StudyModel() = default;

// Opening ---------------------------------------------------------------------

void StudyModel::Open(const StudyFiles& files)
{
    const bool newGauges = files.gauges != files_.gauges;
    std::optional<thiessen::GaugeTable> gauges;
    std::shared_ptr<CatchmentWithContext> catchment;
    std::vector<thiessen::PolygonLayerInfo> layers;
    if (files.boundary)
        layers = thiessen::PolygonLayers(*files.boundary);
    if (files.gauges && files.boundary) {
        catchment = std::make_shared<CatchmentWithContext>();
        thiessen::CatchmentOptions options;
        options.boundaryLayer = files.layer;
        options.basinField = files.basinField;
        catchment->catchment =
            thiessen::LoadCatchment(catchment->geos, *files.gauges, *files.boundary, options);
        gauges = catchment->catchment.gauges;
    } else if (files.gauges) {
        gauges = thiessen::ReadGauges(*files.gauges);
    } else if (files.boundary) {
        thiessen::ReadBoundaryLayer(*geos_, *files.boundary, files.layer, files.basinField);
    }
    // All read: now the study changes, as a whole.
    ++revision_;
    loader_->Cancel();
    files_ = files;
    gauges_ = std::move(gauges);
    catchment_ = catchment
                     ? std::shared_ptr<const thiessen::Catchment>(catchment, &catchment->catchment)
                     : nullptr;
    layers_ = std::move(layers);
    basin_ = 0;
    if (newGauges) {
        typed_.clear();
        unsaved_ = false;
    }
    DropSeries();
    emit seriesEnded();
    emit seriesChanged();
    emit studyChanged();
}

std::size_t StudyModel::GaugeCount() const
{
    return gauges_ ? gauges_->gauges.size() : 0;
}

const thiessen::GaugeTable* StudyModel::Gauges() const
{
    return gauges_ ? &*gauges_ : nullptr;
}

QString StudyModel::AreaUnit() const
{
    return catchment_ ? Text(catchment_->AreaUnitName()) : QString();
}

// The coordinate systems of the files by name.
QString StudyModel::SystemNames() const
{
    if (!catchment_)
        return {};
    if (!catchment_->map)
        return "Neither file names its coordinate system.";
    const thiessen::CoordinateSystem& gauges = catchment_->gauges.system;
    const QString gaugesName = gauges.Known()                  ? Text(gauges.Name())
                               : catchment_->gauges.geographic ? QString("longitude and latitude")
                                                               : QString("the boundary's");
    return QString("Boundary in %1; gauges in %2.")
        .arg(Text(catchment_->system.Name()), gaugesName);
}

QStringList StudyModel::Notes() const
{
    QStringList notes;
    if (catchment_)
        for (const std::string& warning : catchment_->warnings)
            notes << Text(warning);
    return notes + seriesNotes_;
}

// What the series' numbers hide, as the command says it: gauges without a
// value at any step, steps without any, and steps where only gauges outside
// the catchment reported.
QStringList StudyModel::SeriesNotes(const Series& series, const QString& name) const
{
    const std::vector<bool> inside = thiessen::GaugesInside(*geos_, *catchment_);
    std::vector<bool> heard(series.gauges, false);
    long empty = 0, outside = 0;
    std::size_t firstEmpty = 0, firstOutside = 0;
    for (std::size_t step = 0; step < series.Size(); ++step) {
        bool any = false, anyInside = false;
        const std::span<const float> values = series.Values(step);
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!std::isnan(values[i])) {
                heard[i] = any = true;
                anyInside = anyInside || inside[i];
            }
        if (!any && empty++ == 0)
            firstEmpty = step;
        if (any && !anyInside && outside++ == 0)
            firstOutside = step;
    }
    QStringList notes, silent;
    for (std::size_t i = 0; i < heard.size(); ++i)
        if (!heard[i])
            silent << Text(gauges_->gauges[i].id);
    if (!silent.isEmpty())
        notes << QString("%1: %2 of the %3 gauges have no value at any step (%4); they count as "
                         "missing at every step")
                     .arg(name)
                     .arg(silent.size())
                     .arg(series.gauges)
                     .arg(silent.size() > 10 ? silent.mid(0, 10).join(", ") +
                                                   QString(" and %1 more").arg(silent.size() - 10)
                                             : silent.join(", "));
    if (empty > 0)
        notes << QString("%1: no gauge reported at %2 step(s), the first at %3; their rainfall "
                         "is left empty")
                     .arg(name)
                     .arg(empty)
                     .arg(Text(series.times[firstEmpty]));
    if (outside > 0)
        notes << QString("%1: at %2 step(s), the first at %3, only gauges outside the catchment "
                         "reported, so the rainfall there comes from outside it")
                     .arg(name)
                     .arg(outside)
                     .arg(Text(series.times[firstOutside]));
    return notes;
}

// Basins ----------------------------------------------------------------------

QStringList StudyModel::BasinNames() const
{
    QStringList names{"Whole catchment"};
    if (catchment_)
        for (const thiessen::SubBasin& basin : catchment_->subBasins)
            names << Text(basin.name);
    return names;
}

void StudyModel::ChooseBasin(int basin)
{
    if (basin == basin_ || basin < 0 || basin >= BasinNames().size())
        return;
    basin_ = basin;
    ComputeAreas();
    emit studyChanged();
}

const thiessen::Coverage* StudyModel::ChosenCoverage() const
{
    if (!catchment_)
        return nullptr;
    if (basin_ == 0)
        return &catchment_->diagram->Clipped();
    return catchment_->subBasins[static_cast<std::size_t>(basin_ - 1)].coverage.get();
}

// Typed rainfall ----------------------------------------------------------------

void StudyModel::SetTypedRainfall(int gauge, const QString& text)
{
    if (step_ >= 0 || gauge < 0 || static_cast<std::size_t>(gauge) >= GaugeCount())
        return;
    while (typed_.size() <= gauge)
        typed_ << QString();
    if (typed_[gauge] == text)
        return;
    typed_[gauge] = text;
    unsaved_ = true;
    emit valuesChanged();
}

std::string StudyModel::RainfallCsv(const std::string& time) const
{
    std::string csv = "time";
    for (const thiessen::Gauge& gauge : gauges_->gauges)
        csv.append(1, ',').append(thiessen::CsvField(gauge.id));
    csv.append(1, '\n').append(thiessen::CsvField(time));
    for (std::size_t i = 0; i < GaugeCount(); ++i)
        csv.append(1, ',').append(Compact(typed_.value(static_cast<int>(i))).toStdString());
    return csv.append(1, '\n');
}

// The series --------------------------------------------------------------------

void StudyModel::OpenSeries(const std::string& path)
{
    if (!catchment_)
        return;
    ChooseStep(-1);
    seriesName_ = QFileInfo(FromCorePath(path)).fileName();
    loader_->Start(catchment_, path, revision_);
}

void StudyModel::CancelSeries()
{
    ++revision_;
    loader_->Cancel();
    emit seriesEnded();
}

bool StudyModel::ReadingSeries() const
{
    return loader_->Running();
}

void StudyModel::SeriesLoaded(std::shared_ptr<const Series> series, int revision)
{
    if (revision != revision_ || series->gauges != GaugeCount())
        return;
    emit seriesEnded();
    if (series->Size() == 1) {
        TakeAsTyped(*series);
        return;
    }
    seriesNotes_ = SeriesNotes(*series, seriesName_);
    series_ = std::move(series);
    emit seriesChanged();
    emit valuesChanged();
}

// A series of one step is rainfall typed and saved: it is typed again.
void StudyModel::TakeAsTyped(const Series& series)
{
    typed_.clear();
    for (float value : series.Values(0))
        typed_ << (std::isnan(value) ? QString() : SingleText(value));
    unsaved_ = false;
    DropSeries();
    emit seriesChanged();
    emit valuesChanged();
}

// No series, the whole diagram shown: the areas as the files give them.
void StudyModel::DropSeries()
{
    series_.reset();
    seriesNotes_.clear();
    step_ = -1;
    ComputeAreas();
}

void StudyModel::ChooseStep(int step)
{
    if (!series_ || step < 0 || static_cast<std::size_t>(step) >= series_->Size())
        step = -1;
    if (step == step_)
        return;
    step_ = step;
    ComputeAreas();
    emit valuesChanged();
}

std::vector<bool> StudyModel::Missing() const
{
    std::vector<bool> missing(GaugeCount(), false);
    if (step_ >= 0) {
        const std::span<const float> values = series_->Values(static_cast<std::size_t>(step_));
        for (std::size_t i = 0; i < values.size(); ++i)
            missing[i] = std::isnan(values[i]);
    }
    return missing;
}

// The areas of the chosen basin; at a step, those of the diagram of the
// gauges that reported, the missing gauges' cells shared among their
// neighbours.
void StudyModel::ComputeAreas()
{
    areas_.clear();
    const thiessen::Coverage* coverage = ChosenCoverage();
    if (!coverage)
        return;
    areas_ = coverage->Areas();
    const std::vector<bool> missing = Missing();
    std::vector<std::size_t> missingList;
    for (std::size_t i = 0; i < missing.size(); ++i)
        if (missing[i])
            missingList.push_back(i);
    if (!missingList.empty())
        for (const thiessen::AreaChange& change :
             thiessen::AreasWithout(catchment_->diagram->Unclipped(), *coverage, missingList))
            areas_[change.site] = change.area;
    for (double& area : areas_)
        area *= catchment_->AreaUnit();
}

QString StudyModel::StepText() const
{
    if (!series_)
        return {};
    if (step_ < 0)
        return QString("The whole diagram with the rainfall typed; %1 steps in the series: "
                       "click the plot or use its arrow keys, or Ctrl+Right, to see one.")
            .arg(series_->Size());
    const auto step = static_cast<std::size_t>(step_);
    const thiessen::StepRainfall& result = series_->Step(step, static_cast<std::size_t>(basin_));
    QString text = QString("Step %1 of %2, %3: %4 rainfall %5")
                       .arg(step_ + 1)
                       .arg(series_->Size())
                       .arg(Text(series_->times[step]))
                       .arg(basin_ == 0 ? QString("catchment") : BasinNames()[basin_])
                       .arg(result.rainfall ? Text(thiessen::NumberText(*result.rainfall))
                                            : QString("none (no gauge reported)"));
    QStringList missingIds;
    const std::vector<bool> missing = Missing();
    for (std::size_t i = 0; i < missing.size(); ++i)
        if (missing[i])
            missingIds << Text(gauges_->gauges[i].id);
    if (!missingIds.isEmpty())
        text += QString("; missing: %1").arg(missingIds.join(", "));
    return text;
}

std::string StudyModel::SeriesCsv() const
{
    if (!series_)
        return {};
    const auto basins = static_cast<std::size_t>(series_->basins);
    std::vector<std::string> names;
    for (std::size_t b = 1; b < basins; ++b)
        names.push_back(catchment_->subBasins[b - 1].name);
    // The whole catchment of sub-basins is written as the command writes
    // them all, a column each; one basin as a catchment of its own.
    const bool all = basin_ == 0 && basins > 1;
    const auto layout = all ? thiessen::SeriesLayout::Wide : thiessen::SeriesLayout::OneCatchment;
    std::string csv = all ? thiessen::SeriesCsvHeader(layout, names) : thiessen::SeriesCsvHeader();
    std::vector<thiessen::StepRainfall> steps;
    for (std::size_t s = 0; s < series_->Size(); ++s) {
        steps.clear();
        if (all)
            for (std::size_t b = 1; b < basins; ++b)
                steps.push_back(series_->Step(s, b));
        else
            steps.push_back(series_->Step(s, static_cast<std::size_t>(basin_)));
        thiessen::AppendSeriesCsv(csv, layout, names, series_->times[s], steps);
    }
    return csv;
}

// What the views show -------------------------------------------------------------

GaugeRow StudyModel::Row(int gauge) const
{
    const auto i = static_cast<std::size_t>(gauge);
    const thiessen::Gauge& place = gauges_->gauges[i];
    GaugeRow row;
    row.id = Text(place.id);
    row.x = CoordinateText(place.x);
    row.y = CoordinateText(place.y);
    if (i < areas_.size()) {
        const double basinArea = ChosenCoverage()->BasinArea() * catchment_->AreaUnit();
        row.area = SingleText(areas_[i]);
        row.weight = QString::number(areas_[i] / basinArea, 'f', 4);
        row.hasArea = areas_[i] > 0;
    }
    if (step_ < 0) {
        row.rainfall = typed_.value(gauge);
    } else {
        const float value = series_->Values(static_cast<std::size_t>(step_))[i];
        row.rainfall = std::isnan(value) ? QString() : SingleText(value);
    }
    return row;
}

// The pairs of the rows with rainfall and an area: in the whole catchment
// every gauge's, in a sub-basin only those of the gauges whose cells reach
// into it.
std::vector<std::pair<QString, QString>> StudyModel::Pairs() const
{
    std::vector<std::pair<QString, QString>> pairs;
    for (int gauge = 0; gauge < static_cast<int>(GaugeCount()); ++gauge) {
        const GaugeRow row = Row(gauge);
        const RainfallText rain = ReadRainfall(row.rainfall);
        if (rain.empty || !rain.value || row.area.isEmpty() || (basin_ > 0 && !row.hasArea))
            continue;
        pairs.emplace_back(Compact(row.rainfall), row.area);
    }
    return pairs;
}

// The results of the pairs, computed as the calculator computes them from
// the same texts.
StudyResults StudyModel::Results() const
{
    RainfallSums sums;
    QString problem;
    for (const auto& [rainfall, area] : Pairs()) {
        try {
            AddPair(sums, *ReadRainfall(rainfall).value, ToSingle(ParseValue(area.toStdString())));
        } catch (const RuntimeError& error) {
            problem = Text(error.Detail());
            break;
        }
    }
    StudyResults results;
    if (sums.ValueCount > 0)
        results.values[0] = Text(StrText(sums.ValueCount));
    if (!problem.isEmpty()) {
        results.values[1] = "cannot be held: " + problem;
    } else if (sums.ValueCount >= 2) {
        const Statistics statistics = Evaluate(sums);
        results.values[1] = Text(StrText(statistics.mean));
        results.values[2] = Text(StrText(statistics.stdDev));
        results.values[3] =
            statistics.weightedMean ? Text(StrText(*statistics.weightedMean)) : QString();
        results.values[4] = Text(StrText(statistics.sumOfAreas));
    }
    results.canHandOver = sums.ValueCount > 0 && problem.isEmpty();
    return results;
}

} // namespace rainfall
