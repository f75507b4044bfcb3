#include "thiessenwindow/thiessen_window.h"

#include "errors/runtime_error.h"
#include "mainwindow/w.h"
#include "platform/toolkit/colours.h"
#include "platform/toolkit/faces.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"
#include "stats/single.h"
#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/vector_source.h"
#include "thiessen/output/output.h"
#include "thiessenwindow/geometry_path.h"
#include "thiessenwindow/map_view.h"
#include "thiessenwindow/rainfall_entry.h"
#include "thiessenwindow/series_plot.h"

#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>

namespace rainfall {

namespace {

enum Column { Id, X, Y, Area, Weight, Rainfall, Columns };

const char* const ResultNames[5] = {"Number of values", "Arithmetic mean", "Standard deviation",
                                    "Thiessen mean", "Sum of areas"};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// Lines for the user, one under another.
std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

// A path as the Thiessen core takes it: UTF-8 on Windows, where the local
// code page cannot name every file; the file system's own bytes elsewhere.
std::string Path(const QString& path)
{
#ifdef _WIN32
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
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

// Neighbouring cells in different colours: each takes the colour least used
// among those its neighbours do not have.
std::vector<int> CellColours(const thiessen::Diagram& diagram)
{
    const int count = MapView::ColourCount();
    std::vector<int> colour(diagram.Size(), -1);
    std::vector<int> used(static_cast<std::size_t>(count), 0);
    for (std::size_t i = 0; i < diagram.Size(); ++i) {
        std::vector<bool> taken(static_cast<std::size_t>(count), false);
        for (std::size_t n : diagram.Neighbours(i))
            if (colour[n] >= 0)
                taken[static_cast<std::size_t>(colour[n])] = true;
        int best = static_cast<int>(i) % count;
        for (int c = 0; c < count; ++c)
            if (!taken[c] && (taken[best] || used[c] < used[best]))
                best = c;
        colour[i] = best;
        ++used[best];
    }
    return colour;
}

// What a file holds: a CSV file's header tells, gauges having an id and a
// pair of coordinates (anything else is taken for a series); a GIS file
// holds gauges when its layers are points.
bool IsGaugesFile(const QString& path)
{
    if (thiessen::IsVectorFile(Path(path)))
        return thiessen::HoldsPoints(Path(path));
    return thiessen::IsGaugesTable(Path(path));
}

// The desktop's palette with every text colour the window uses made black or
// white where it stands out less than 4.5:1 against its background, as the
// button text of some dark schemes does.
QPalette LegiblePalette(QPalette palette)
{
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::HighlightedText, QPalette::Highlight}};
    for (const auto& [text, background] : pairs) {
        const QColor back = palette.color(QPalette::Active, background);
        if (Contrast(palette.color(QPalette::Active, text), back) >= 4.5)
            continue;
        const QColor better = BlackOrWhiteAgainst(back);
        palette.setColor(QPalette::Active, text, better);
        palette.setColor(QPalette::Inactive, text, better);
    }
    return palette;
}

} // namespace

ThiessenWindow::ThiessenWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Thiessen Polygons");
    // Its table measures its columns as files are opened, which may be before it
    // first paints.
    RegisterBuiltInFaces();
    setFont(PlatformFont({"Arial", 9, false}));
    setPalette(LegiblePalette(QApplication::palette()));
    setAcceptDrops(true);
    const qreal pixels = logicalDpiY() / 96.0;
    resize(QSize(920, 620) * pixels);

    map_ = new MapView;
    plot_ = new SeriesPlot;
    plot_->hide();
    loader_ = new SeriesLoader(this);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(map_);
    splitter->addWidget(BuildSidePanel());
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({width() / 2, width() / 2});
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    notes_ = new QLabel;
    notes_->setWordWrap(true);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setAccessibleName("Notes on the files");
    notes_->hide();
    layout->addWidget(notes_);
    layout->addWidget(splitter, 1);
    layout->addWidget(stepLabel_);
    layout->addWidget(plot_);
    layout->addWidget(BuildSeriesBar());
    setCentralWidget(central);
    BuildMenus();
    setTabOrder(map_, table_);
    setTabOrder(table_, toCalculator_);
    setTabOrder(toCalculator_, plot_);

    connect(map_, &MapView::gaugeClicked, this, [this](int gauge) {
        table_->setCurrentCell(gauge, Rainfall);
        table_->setFocus();
    });
    connect(table_, &QTableWidget::currentCellChanged, this,
            [this](int row) { map_->SetSelected(row); });
    connect(table_, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { RainfallEdited(item->row()); });
    connect(plot_, &SeriesPlot::stepSelected, this, &ThiessenWindow::ShowStep);
    connect(loader_, &SeriesLoader::progress, progress_, &QProgressBar::setValue);
    connect(loader_, &SeriesLoader::loaded, this, &ThiessenWindow::SeriesLoaded);
    connect(loader_, &SeriesLoader::cancelled, this, &ThiessenWindow::SeriesEnded);
    connect(loader_, &SeriesLoader::failed, this, [this](const QString& message) {
        SeriesEnded();
        QMessageBox::critical(this, "Cannot Open File", message);
    });
    UpdateResults();
    UpdateActions();
}

ThiessenWindow::~ThiessenWindow() = default;

QWidget* ThiessenWindow::BuildSidePanel()
{
    table_ = new QTableWidget(0, Columns);
    table_->setHorizontalHeaderLabels({"Id", "x", "y", "Area", "Weight", "Rainfall"});
    table_->setAccessibleName("Gauges");
    table_->setAccessibleDescription("Each gauge's place, area, weight and rainfall; type the "
                                     "rainfall in the last column");
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* delegate = new RainfallDelegate(table_);
    table_->setItemDelegateForColumn(Rainfall, delegate);
    connect(delegate, &RainfallDelegate::refused, this,
            [this](const QString&, const QString& problem) {
                // After the editor has closed, not inside its commit.
                QMetaObject::invokeMethod(
                    this, [this, problem] { QMessageBox::warning(this, "Not a Number", problem); },
                    Qt::QueuedConnection);
            });
    connect(delegate, &RainfallDelegate::committedWithReturn, this, [this] {
        if (table_->currentRow() + 1 < table_->rowCount())
            table_->setCurrentCell(table_->currentRow() + 1, Rainfall);
    });

    auto* tableLabel = new QLabel("&Gauges:");
    tableLabel->setBuddy(table_);
    auto* resultsForm = new QFormLayout;
    for (int i = 0; i < 5; ++i) {
        results_[i] = new QLabel;
        results_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        results_[i]->setAccessibleName(ResultNames[i]);
        results_[i]->setMinimumWidth(
            results_[i]->fontMetrics().horizontalAdvance("-0.0000000E+00"));
        resultsForm->addRow(QString(ResultNames[i]) + ":", results_[i]);
    }
    stepLabel_ = new QLabel;
    stepLabel_->setAccessibleName("Time step");
    toCalculator_ = new QPushButton("&To calculator");
    toCalculator_->setToolTip("Open the calculator with these pairs of rainfall and area accepted");
    connect(toCalculator_, &QPushButton::clicked, this, [this] { ToCalculator(); });

    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tableLabel);
    layout->addWidget(table_, 1);
    layout->addLayout(resultsForm);
    layout->addWidget(toCalculator_, 0, Qt::AlignRight);
    return panel;
}

QWidget* ThiessenWindow::BuildSeriesBar()
{
    loadingBar_ = new QWidget;
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setAccessibleName("Reading the series");
    auto* cancel = new QPushButton("&Cancel");
    connect(cancel, &QPushButton::clicked, loader_, &SeriesLoader::Cancel);
    auto* layout = new QHBoxLayout(loadingBar_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("Reading the series:"));
    layout->addWidget(progress_, 1);
    layout->addWidget(cancel);
    // Its room kept while hidden, so that showing it does not lay out and
    // paint the map again as a large series starts.
    QSizePolicy policy = loadingBar_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    loadingBar_->setSizePolicy(policy);
    loadingBar_->hide();
    return loadingBar_;
}

void ThiessenWindow::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("Open &gauges...", QKeySequence::Open, this, [this] {
        const QString path = AskToOpen(
            "Open Gauges",
            "Gauges (*.csv *.gpkg *.shp *.zip *.geojson *.json *.fgb *.kml *.gml);;All files (*)");
        if (!path.isEmpty())
            OpenGauges(path);
    });
    file->addAction("Open &boundary...", this, [this] {
        const QString path =
            AskToOpen("Open Boundary", "Boundaries (*.gpkg *.shp *.zip *.geojson *.json *.fgb "
                                       "*.kml *.gml *.wkt);;All files (*)");
        if (!path.isEmpty())
            OpenBoundary(path);
    });
    openSeries_ = file->addAction("Open &series...", this, [this] {
        const QString path = AskToOpen("Open Series", "Series (*.csv);;All files (*)");
        if (!path.isEmpty())
            OpenSeries(path);
    });
    file->addSeparator();
    QMenu* exports = file->addMenu("&Export");
    const auto addExport = [this, exports](const QString& text, const QString& filter,
                                           bool (ThiessenWindow::*exporter)(const QString&)) {
        QAction* action = exports->addAction(text, this, [this, text, filter, exporter] {
            AskAndExport(QString(text).remove('&').remove("..."), filter, exporter);
        });
        return action;
    };
    catchmentExports_ = {
        addExport("&Weights (CSV)...", "CSV (*.csv)", &ThiessenWindow::ExportWeights),
        addExport("&Cells (GeoJSON)...", "GeoJSON (*.geojson)", &ThiessenWindow::ExportCells),
        addExport("Map (&PNG)...", "PNG (*.png)", &ThiessenWindow::ExportMapPng),
        addExport("Map (S&VG)...", "SVG (*.svg)", &ThiessenWindow::ExportMapSvg)};
    exportSeries_ =
        addExport("&Series result (CSV)...", "CSV (*.csv)", &ThiessenWindow::ExportSeries);
    file->addSeparator();
    file->addAction("&Close", QKeySequence::Close, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu("&View");
    view->addAction("&Fit the catchment", QKeySequence(Qt::Key_F), map_, &MapView::Fit);
    view->addAction("&Whole diagram", QKeySequence(Qt::CTRL | Qt::Key_0), this,
                    [this] { ShowStep(-1); });
    view->addAction("&Previous step", QKeySequence(Qt::CTRL | Qt::Key_Left), this, [this] {
        if (series_)
            ShowStep(std::max(step_ - 1, 0));
    });
    view->addAction("&Next step", QKeySequence(Qt::CTRL | Qt::Key_Right), this, [this] {
        if (series_)
            ShowStep(std::min(step_ + 1, static_cast<int>(series_->Size()) - 1));
    });
}

QString ThiessenWindow::AskToOpen(const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(this, title, {}, filter);
}

void ThiessenWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        setPalette(LegiblePalette(QApplication::palette()));
    QMainWindow::changeEvent(event);
}

void ThiessenWindow::showEvent(QShowEvent* event)
{
    // Centred on its screen when first shown; the user places it afterwards.
    if (!placed_) {
        placed_ = true;
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                        size().expandedTo(minimumSizeHint()),
                                        screen()->availableGeometry()));
    }
    QMainWindow::showEvent(event);
}

// Opening -------------------------------------------------------------------

void ThiessenWindow::Refuse(const QString& path, const std::exception& error)
{
    QString message = Text(error.what());
    if (!dynamic_cast<const thiessen::DataError*>(&error) && !message.contains(path))
        message = path + ": " + message;
    QMessageBox::critical(this, "Cannot Open File", message);
}

// Takes new gauges or a new boundary, with what is already open, as a whole:
// either both make a catchment (or the gauges read well alone), or nothing
// changes.
bool ThiessenWindow::Take(std::optional<std::string> gaugesPath,
                          std::optional<std::string> boundaryPath)
{
    const bool newGauges = gaugesPath.has_value();
    if (!gaugesPath)
        gaugesPath = gaugesPath_;
    if (!boundaryPath)
        boundaryPath = boundaryPath_;
    const QString opened = QString::fromStdString(newGauges ? *gaugesPath : *boundaryPath);
    try {
        if (gaugesPath && boundaryPath) {
            catchment_ = std::shared_ptr<const thiessen::Catchment>(
                new thiessen::Catchment(thiessen::LoadCatchment(geos_, *gaugesPath, *boundaryPath)),
                [geos = geosOwner_](const thiessen::Catchment* catchment) { delete catchment; });
            gauges_ = catchment_->gauges;
        } else if (gaugesPath) {
            gauges_ = thiessen::ReadGauges(*gaugesPath);
        } else {
            thiessen::ReadBoundaryLayer(geos_, *boundaryPath);
        }
    } catch (const std::exception& error) {
        Refuse(opened, error);
        return false;
    }
    if (newGauges) {
        typedRainfall_.clear();
        table_->setRowCount(0);
    }
    gaugesPath_ = gaugesPath;
    boundaryPath_ = boundaryPath;
    loader_->Cancel();
    series_.reset();
    seriesPath_.clear();
    plot_->SetSeries(nullptr);
    plot_->hide();
    step_ = -1;
    ShowCatchment();
    return true;
}

bool ThiessenWindow::OpenGauges(const QString& path)
{
    return Take(Path(path), std::nullopt);
}

bool ThiessenWindow::OpenBoundary(const QString& path)
{
    return Take(std::nullopt, Path(path));
}

bool ThiessenWindow::OpenSeries(const QString& path)
{
    if (!catchment_) {
        QMessageBox::information(this, "Open Series",
                                 "Open the gauges and the catchment boundary first.");
        return false;
    }
    if (step_ >= 0)
        ShowStep(-1);
    seriesPath_ = path;
    progress_->setValue(0);
    loadingBar_->show();
    openSeries_->setEnabled(false);
    loader_->Start(catchment_, Path(path), ++seriesRevision_);
    return true;
}

void ThiessenWindow::SeriesLoaded(std::shared_ptr<const Series> series)
{
    SeriesEnded();
    series_ = std::move(series);
    plot_->SetSeries(series_);
    plot_->show();
    stepLabel_->setText(StepHint());
    UpdateActions();
    emit seriesLoaded();
}

void ThiessenWindow::SeriesEnded()
{
    loadingBar_->hide();
    openSeries_->setEnabled(catchment_ != nullptr);
}

void ThiessenWindow::OpenInOrder(const QStringList& paths)
{
    if (paths.size() >= 2) {
        if (!Take(Path(paths[0]), Path(paths[1])))
            return;
    } else if (paths.size() == 1) {
        OpenGauges(paths[0]);
    }
    if (paths.size() >= 3)
        OpenSeries(paths[2]);
}

void ThiessenWindow::OpenDropped(const QStringList& paths)
{
    QString gauges, boundary, series;
    for (const QString& path : paths) {
        if (IsGaugesFile(path))
            gauges = path;
        else if (thiessen::IsVectorFile(Path(path)) || path.endsWith(".wkt", Qt::CaseInsensitive))
            boundary = path;
        else
            series = path;
    }
    if (!gauges.isEmpty() || !boundary.isEmpty()) {
        const auto optional = [](const QString& path) {
            return path.isEmpty() ? std::nullopt : std::optional<std::string>(Path(path));
        };
        if (!Take(optional(gauges), optional(boundary)))
            return;
    }
    if (!series.isEmpty())
        OpenSeries(series);
}

void ThiessenWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ThiessenWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    // After the drop has finished, so that a message box does not hold the
    // dragging application.
    QMetaObject::invokeMethod(
        this, [this, paths] { OpenDropped(paths); }, Qt::QueuedConnection);
}

// Showing -------------------------------------------------------------------

void ThiessenWindow::ShowCatchment()
{
    cells_.clear();
    std::vector<double> areas;
    if (catchment_) {
        const thiessen::Diagram& diagram = *catchment_->diagram;
        const std::vector<int> colours = CellColours(diagram);
        std::vector<MapView::Gauge> gauges;
        for (std::size_t i = 0; i < diagram.Size(); ++i) {
            cells_.push_back(PathOf(geos_, diagram.Cell(i)));
            gauges.push_back({QPointF(diagram.Sites()[i].x, diagram.Sites()[i].y),
                              Text(catchment_->gauges.gauges[i].id), colours[i]});
            areas.push_back(catchment_->Area(i));
        }
        map_->SetMap(PathOf(geos_, diagram.Catchment()), gauges, cells_);
    } else {
        map_->Clear();
    }
    const QString unit = catchment_ ? Text(catchment_->AreaUnitName()) : QString();
    QTableWidgetItem* areaHeader = table_->horizontalHeaderItem(Area);
    areaHeader->setText(unit.isEmpty() ? "Area" : "Area (" + unit + ")");
    areaHeader->setToolTip(unit.isEmpty() && catchment_
                               ? "In the files' unit, squared: neither file names its coordinate "
                                 "system"
                               : QString());
    notes_->setText(catchment_ ? Text(Joined(catchment_->warnings)) : QString());
    notes_->setVisible(!notes_->text().isEmpty());
    FillTable(areas, typedRainfall_);
    map_->SetCells(cells_, ToolTips());
    stepLabel_->setText(series_ ? StepHint() : QString());
    UpdateActions();
}

// The table's rows anew: the gauges, the given areas (none before there is a
// catchment) and rainfall texts.
void ThiessenWindow::FillTable(const std::vector<double>& areas, const QStringList& rainfall)
{
    filling_ = true;
    const int current = table_->currentRow();
    const std::size_t count = gauges_ ? gauges_->gauges.size() : 0;
    table_->setRowCount(static_cast<int>(count));
    const double catchmentArea =
        catchment_ ? catchment_->diagram->CatchmentArea() * catchment_->AreaUnit() : 0;
    for (std::size_t i = 0; i < count; ++i) {
        const thiessen::Gauge& gauge = gauges_->gauges[i];
        const QString values[Columns] = {
            Text(gauge.id),
            Text(thiessen::NumberText(gauge.x)),
            Text(thiessen::NumberText(gauge.y)),
            i < areas.size() ? SingleText(areas[i]) : QString(),
            i < areas.size() ? QString::number(areas[i] / catchmentArea, 'f', 4) : QString(),
            rainfall.value(static_cast<int>(i))};
        const int row = static_cast<int>(i);
        for (int column = 0; column < Columns; ++column) {
            if (QTableWidgetItem* item = table_->item(row, column)) {
                item->setText(values[column]);
                continue;
            }
            auto* item = new QTableWidgetItem(values[column]);
            if (column != Rainfall)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (column != Id)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
    }
    // Once, not as each item changes, which costs the square of the rows.
    for (int column = 0; column < Rainfall; ++column) // the last one stretches
        table_->resizeColumnToContents(column);
    if (current >= 0 && current < table_->rowCount())
        table_->setCurrentCell(current, Rainfall);
    filling_ = false;
    UpdateResults();
}

void ThiessenWindow::RainfallEdited(int row)
{
    if (filling_)
        return;
    if (step_ < 0) {
        while (typedRainfall_.size() <= row)
            typedRainfall_ << QString();
        typedRainfall_[row] = table_->item(row, Rainfall)->text();
    }
    UpdateResults();
}

// The results of the table's pairs, computed as the calculator computes
// them from the same texts.
void ThiessenWindow::UpdateResults()
{
    RainfallSums sums;
    QString problem;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const RainfallText rain = ReadRainfall(table_->item(row, Rainfall)->text());
        const QString area = table_->item(row, Area)->text();
        if (rain.empty || !rain.value || area.isEmpty())
            continue;
        try {
            AddPair(sums, *rain.value, ToSingle(ParseValue(area.toStdString())));
        } catch (const RuntimeError& error) {
            problem = Text(error.Detail());
            break;
        }
    }
    QStringList shown(5);
    if (sums.ValueCount > 0)
        shown[0] = Text(StrText(sums.ValueCount));
    if (!problem.isEmpty()) {
        shown[1] = "cannot be held: " + problem;
    } else if (sums.ValueCount >= 2) {
        const Statistics results = Evaluate(sums);
        shown[1] = Text(StrText(results.mean));
        shown[2] = Text(StrText(results.stdDev));
        shown[3] = results.weightedMean ? Text(StrText(*results.weightedMean)) : QString();
        shown[4] = Text(StrText(results.sumOfAreas));
    }
    for (int i = 0; i < 5; ++i)
        results_[i]->setText(shown[i]);
    toCalculator_->setEnabled(sums.ValueCount > 0 && problem.isEmpty());
}

// What pointing at each cell tells: its row of the table.
QStringList ThiessenWindow::ToolTips() const
{
    QStringList tips;
    for (int row = 0; row < table_->rowCount(); ++row)
        tips << QString("Gauge %1\nArea %2\nWeight %3")
                    .arg(table_->item(row, Id)->text(), table_->item(row, Area)->text(),
                         table_->item(row, Weight)->text());
    return tips;
}

void ThiessenWindow::UpdateActions()
{
    for (QAction* action : catchmentExports_)
        action->setEnabled(catchment_ != nullptr);
    exportSeries_->setEnabled(series_ != nullptr);
    openSeries_->setEnabled(catchment_ != nullptr && !loader_->Running());
}

QString ThiessenWindow::StepHint() const
{
    return QString("The whole diagram with the rainfall typed; %1 steps in the series: click "
                   "the plot or use its arrow keys, or Ctrl+Right, to see one.")
        .arg(series_->Size());
}

// A step of the series: its values in the table, and the areas and cells of
// the gauges that reported, the missing gauges' cells shared among their
// neighbours.
void ThiessenWindow::ShowStep(int step)
{
    if (!series_ || step < 0 || step >= static_cast<int>(series_->Size())) {
        step_ = -1;
        plot_->SetCurrent(-1);
        ShowCatchment();
        return;
    }
    step_ = step;
    plot_->SetCurrent(step);
    const thiessen::Diagram& diagram = *catchment_->diagram;
    const std::span<const float> values = series_->Values(static_cast<std::size_t>(step));
    std::vector<bool> missing(values.size());
    std::vector<std::size_t> missingList;
    QStringList rainfall;
    QStringList missingIds;
    for (std::size_t i = 0; i < values.size(); ++i) {
        missing[i] = std::isnan(values[i]);
        if (missing[i]) {
            missingList.push_back(i);
            missingIds << Text(catchment_->gauges.gauges[i].id);
            rainfall << QString();
        } else {
            rainfall << SingleText(values[i]);
        }
    }
    std::vector<double> areas = diagram.Areas();
    std::vector<QPainterPath> cells = cells_;
    if (!missingList.empty()) {
        for (const thiessen::AreaChange& change : diagram.AreasWithout(missingList))
            areas[change.site] = change.area;
        for (std::size_t i : missingList)
            areas[i] = 0;
        cells = CellsWithout(geos_, *catchment_, missing);
    }
    for (double& area : areas)
        area *= catchment_->AreaUnit();
    FillTable(areas, rainfall);
    map_->SetCells(cells, ToolTips());
    const thiessen::StepRainfall& result = series_->steps[static_cast<std::size_t>(step)];
    QString text = QString("Step %1 of %2, %3: catchment rainfall %4")
                       .arg(step + 1)
                       .arg(series_->Size())
                       .arg(Text(series_->times[static_cast<std::size_t>(step)]))
                       .arg(result.rainfall ? Text(thiessen::NumberText(*result.rainfall))
                                            : QString("none (no gauge reported)"));
    if (!missingIds.isEmpty())
        text += QString("; missing: %1").arg(missingIds.join(", "));
    stepLabel_->setText(text);
}

// The calculator, with each pair of the table typed into its fields and
// accepted through its own Accept button, then computed.
W* ThiessenWindow::ToCalculator()
{
    auto* calculator = new W;
    calculator->setAttribute(Qt::WA_DeleteOnClose);
    calculator->show();
    auto* precipitation = calculator->findChild<QLineEdit*>("txtInput1");
    auto* area = calculator->findChild<QLineEdit*>("txtinput2");
    auto* accept = calculator->findChild<QPushButton*>("cmdAccept");
    int pairs = 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const RainfallText rain = ReadRainfall(table_->item(row, Rainfall)->text());
        if (rain.empty || !rain.value || table_->item(row, Area)->text().isEmpty())
            continue;
        precipitation->setText(table_->item(row, Rainfall)->text().remove(' '));
        area->setText(table_->item(row, Area)->text());
        accept->click();
        ++pairs;
    }
    if (pairs >= 2)
        calculator->findChild<QPushButton*>("cmdCompute")->click();
    calculator->activateWindow();
    return calculator;
}

// Exports -------------------------------------------------------------------

void ThiessenWindow::AskAndExport(const QString& title, const QString& filter,
                                  bool (ThiessenWindow::*exporter)(const QString&))
{
    const QString path = QFileDialog::getSaveFileName(this, "Export " + title, {}, filter);
    if (!path.isEmpty())
        (this->*exporter)(path);
}

bool ThiessenWindow::Export(const QString& path, const std::string& content)
{
    try {
        thiessen::WriteFileAtomically(Path(path), content);
        return true;
    } catch (const std::exception& error) {
        QMessageBox::critical(this, "Cannot Export", Text(error.what()));
        return false;
    }
}

bool ThiessenWindow::ExportWeights(const QString& path)
{
    return catchment_ && Export(path, thiessen::WeightsCsv(*catchment_));
}

bool ThiessenWindow::ExportCells(const QString& path)
{
    return catchment_ && Export(path, thiessen::CellsGeoJson(geos_, *catchment_));
}

bool ThiessenWindow::ExportMapSvg(const QString& path)
{
    return catchment_ && Export(path, thiessen::MapSvg(geos_, *catchment_));
}

bool ThiessenWindow::ExportMapPng(const QString& path)
{
    if (!catchment_)
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    map_->Picture(map_->size(), 2).save(&buffer, "PNG");
    return Export(path, bytes.toStdString());
}

bool ThiessenWindow::ExportSeries(const QString& path)
{
    if (!series_)
        return false;
    std::string csv = thiessen::SeriesCsvHeader();
    for (std::size_t i = 0; i < series_->Size(); ++i)
        csv += thiessen::SeriesCsvLine(series_->times[i], series_->steps[i]);
    return Export(path, csv);
}

} // namespace rainfall
