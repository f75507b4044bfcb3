#include "thiessenwindow/thiessen_window.h"

#include "mainwindow/w.h"
#include "platform/toolkit/colours.h"
#include "platform/toolkit/faces.h"
#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/vector_source.h"
#include "thiessen/output/map_picture.h"
#include "thiessen/output/output.h"
#include "thiessenwindow/geometry_path.h"
#include "thiessenwindow/map_picture_painter.h"
#include "thiessenwindow/map_view.h"
#include "thiessenwindow/model/core_path.h"
#include "thiessenwindow/model/dropped_files.h"
#include "thiessenwindow/model/gauge_table_model.h"
#include "thiessenwindow/rainfall_entry.h"
#include "thiessenwindow/series_plot.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace rainfall {

namespace {

using Column = GaugeTableModel::Column;

const char* const ResultNames[5] = {"Number of values", "Arithmetic mean", "Standard deviation",
                                    "Thiessen mean", "Sum of areas"};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
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

// A label whose text is a value: screen readers read the text as its name,
// and the caption as its description, as in the calculator.
QLabel* ValueLabel(const QString& caption)
{
    auto* label = new QLabel;
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAccessibleDescription(caption);
    return label;
}

// A combo box with its caption beside it, both hidden until there is a choice.
QComboBox* AddChoice(QHBoxLayout* layout, const QString& caption)
{
    auto* label = new QLabel(caption);
    auto* box = new QComboBox;
    label->setBuddy(box);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(label);
    layout->addWidget(box);
    return box;
}

void ShowChoice(QComboBox* box, const QStringList& items, int current)
{
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(current);
    const bool shown = items.size() > 1;
    box->setVisible(shown);
    for (auto* label : box->parentWidget()->findChildren<QLabel*>())
        if (label->buddy() == box)
            label->setVisible(shown);
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
    map_->setAccessibleName("Map");
    plot_ = new SeriesPlot;
    plot_->hide();
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
    notes_->setAccessibleDescription("Notes on the files");
    notes_->hide();
    layout->addWidget(notes_);
    layout->addWidget(BuildStudyBar());
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
        table_->setCurrentIndex(tableModel_->index(gauge, Column::Rainfall));
        table_->setFocus();
    });
    connect(plot_, &SeriesPlot::stepSelected, this, &ThiessenWindow::ShowStep);
    connect(&study_, &StudyModel::studyChanged, this, &ThiessenWindow::ShowStudy);
    connect(&study_, &StudyModel::valuesChanged, this, &ThiessenWindow::ShowValues);
    connect(&study_, &StudyModel::seriesChanged, this, &ThiessenWindow::SeriesChanged);
    connect(&study_, &StudyModel::seriesEnded, this, &ThiessenWindow::SeriesEnded);
    connect(&study_, &StudyModel::seriesProgress, progress_, &QProgressBar::setValue);
    connect(&study_, &StudyModel::seriesFailed, this, [this](const QString& message) {
        QMessageBox::critical(this, "Cannot Open File", message);
    });
    ShowStudy();
}

ThiessenWindow::~ThiessenWindow()
{
    // The views go before the study they observe, which is a member and
    // would otherwise go first.
    delete centralWidget();
    delete tableModel_;
}

// The catchment's area and coordinate systems, and the choices of the
// boundary's layer, the field that names its sub-basins and the basin shown.
QWidget* ThiessenWindow::BuildStudyBar()
{
    studyBar_ = new QWidget;
    auto* layout = new QVBoxLayout(studyBar_);
    layout->setContentsMargins(0, 0, 0, 0);
    studyText_ = ValueLabel("The catchment");
    // One line, cut at the window's edge rather than widening it: a wrapped
    // label's height follows its width a layout pass late, and the map would
    // jump.
    studyText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(studyText_);
    choices_ = new QWidget;
    auto* choices = new QHBoxLayout(choices_);
    choices->setContentsMargins(0, 0, 0, 0);
    layers_ = AddChoice(choices, "&Layer:");
    layers_->setObjectName("layers");
    fields_ = AddChoice(choices, "Sub-basins &named by:");
    fields_->setObjectName("basinField");
    basins_ = AddChoice(choices, "&Basin:");
    basins_->setObjectName("basins");
    choices->addStretch(1);
    choices_->hide();
    layout->addWidget(choices_);
    connect(layers_, &QComboBox::currentTextChanged, this, &ThiessenWindow::ChooseLayer);
    connect(fields_, &QComboBox::currentIndexChanged, this, [this](int index) {
        ChooseBasinField(index <= 0 ? QString() : fields_->itemText(index));
    });
    connect(basins_, &QComboBox::currentIndexChanged, &study_, &StudyModel::ChooseBasin);
    return studyBar_;
}

QWidget* ThiessenWindow::BuildSidePanel()
{
    tableModel_ = new GaugeTableModel(study_, this);
    table_ = new QTableView;
    table_->setModel(tableModel_);
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
    // Columns measured on the rows in view and a few hundred more, not on
    // every one of thousands of gauges.
    table_->horizontalHeader()->setResizeContentsPrecision(300);
    auto* delegate = new RainfallDelegate(table_);
    table_->setItemDelegateForColumn(Column::Rainfall, delegate);
    connect(delegate, &RainfallDelegate::refused, this,
            [this](const QString&, const QString& problem) {
                // After the editor has closed, not inside its commit.
                QMetaObject::invokeMethod(
                    this, [this, problem] { QMessageBox::warning(this, "Not a Number", problem); },
                    Qt::QueuedConnection);
            });
    connect(delegate, &RainfallDelegate::committedWithReturn, this, [this] {
        const int next = table_->currentIndex().row() + 1;
        if (next < tableModel_->rowCount())
            table_->setCurrentIndex(tableModel_->index(next, Column::Rainfall));
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ThiessenWindow::ShowSelected);

    auto* tableLabel = new QLabel("&Gauges:");
    tableLabel->setBuddy(table_);
    auto* resultsForm = new QFormLayout;
    for (int i = 0; i < 5; ++i) {
        results_[i] = ValueLabel(ResultNames[i]);
        results_[i]->setMinimumWidth(
            results_[i]->fontMetrics().horizontalAdvance("-0.0000000E+00"));
        resultsForm->addRow(QString(ResultNames[i]) + ":", results_[i]);
    }
    stepLabel_ = ValueLabel("Time step");
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
    connect(cancel, &QPushButton::clicked, &study_, &StudyModel::CancelSeries);
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
    saveRainfall_ = file->addAction("Save &rainfall...", QKeySequence::Save, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, "Save Rainfall", {},
                                                          "Series (*.csv);;All files (*)");
        if (!path.isEmpty())
            SaveRainfall(path);
    });
    file->addSeparator();
    QMenu* exports = file->addMenu("&Export");
    const auto addExport = [this, exports](const QString& text, const QString& filter,
                                           bool (ThiessenWindow::*exporter)(const QString&)) {
        return exports->addAction(text, this, [this, text, filter, exporter] {
            AskAndExport(QString(text).remove('&').remove("..."), filter, exporter);
        });
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
        if (study_.CurrentSeries())
            ShowStep(std::max(study_.Step() - 1, 0));
    });
    view->addAction("&Next step", QKeySequence(Qt::CTRL | Qt::Key_Right), this, [this] {
        if (auto series = study_.CurrentSeries())
            ShowStep(std::min(study_.Step() + 1, static_cast<int>(series->Size()) - 1));
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

void ThiessenWindow::closeEvent(QCloseEvent* event)
{
    if (MayClose()) {
        study_.CancelSeries();
        event->accept();
    } else {
        event->ignore();
    }
}

// Rainfall typed and never saved is not lost to a close without a word.
bool ThiessenWindow::MayClose()
{
    if (!study_.HasUnsavedRainfall())
        return true;
    const auto answer = QMessageBox::question(
        this, "Thiessen Polygons", "Save the rainfall you typed before closing?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save)
        return false;
    const QString path =
        QFileDialog::getSaveFileName(this, "Save Rainfall", {}, "Series (*.csv);;All files (*)");
    return !path.isEmpty() && SaveRainfall(path);
}

// Opening -------------------------------------------------------------------

void ThiessenWindow::Refuse(const QString& path, const std::exception& error)
{
    QString message = Text(error.what());
    if (!dynamic_cast<const thiessen::DataError*>(&error) && !message.contains(path))
        message = path + ": " + message;
    QMessageBox::critical(this, "Cannot Open File", message);
}

// Takes the files as a whole, or refuses them and keeps what was open.
bool ThiessenWindow::Open(const StudyFiles& files, const std::string& opened)
{
    try {
        study_.Open(files);
        return true;
    } catch (const std::exception& error) {
        Refuse(FromCorePath(opened), error);
        return false;
    }
}

bool ThiessenWindow::OpenGauges(const QString& path)
{
    StudyFiles files = study_.Files();
    files.gauges = CorePath(path);
    return Open(files, *files.gauges);
}

// A new boundary: its first polygon layer, one catchment; the layer and the
// field that names sub-basins are then chosen in the window.
bool ThiessenWindow::OpenBoundary(const QString& path)
{
    return OpenWith(study_.Files().gauges, path);
}

// Gauges and a boundary taken together, or refused together.
bool ThiessenWindow::OpenWith(const std::optional<std::string>& gauges, const QString& boundary)
{
    StudyFiles files{gauges, CorePath(boundary), {}, {}};
    try {
        const auto layers = thiessen::PolygonLayers(*files.boundary);
        if (layers.size() > 1)
            files.layer = layers.front().name;
    } catch (const std::exception& error) {
        Refuse(boundary, error);
        return false;
    }
    return Open(files, *files.boundary);
}

bool ThiessenWindow::ChooseLayer(const QString& layer)
{
    StudyFiles files = study_.Files();
    if (!files.boundary || layer.isEmpty() || files.layer == layer.toStdString())
        return false;
    files.layer = layer.toStdString();
    files.basinField.clear();
    const bool taken = Open(files, *files.boundary);
    ShowStudyBar();
    return taken;
}

bool ThiessenWindow::ChooseBasinField(const QString& field)
{
    StudyFiles files = study_.Files();
    if (!files.boundary || files.basinField == field.toStdString())
        return false;
    files.basinField = field.toStdString();
    const bool taken = Open(files, *files.boundary);
    ShowStudyBar();
    return taken;
}

bool ThiessenWindow::OpenSeries(const QString& path)
{
    if (!study_.Catchment()) {
        QMessageBox::information(this, "Open Series",
                                 "Open the gauges and the catchment boundary first.");
        return false;
    }
    ShowStep(-1);
    progress_->setValue(0);
    loadingBar_->show();
    openSeries_->setEnabled(false);
    study_.OpenSeries(CorePath(path));
    return true;
}

void ThiessenWindow::SeriesEnded()
{
    loadingBar_->hide();
    openSeries_->setEnabled(study_.Catchment() != nullptr);
}

void ThiessenWindow::SeriesChanged()
{
    const QStringList notes = study_.Notes();
    notes_->setText(notes.join('\n'));
    notes_->setVisible(!notes.isEmpty());
    plot_->SetSeries(study_.CurrentSeries(), static_cast<std::size_t>(study_.Basin()));
    plot_->setVisible(study_.CurrentSeries() != nullptr);
    exportSeries_->setEnabled(study_.CurrentSeries() != nullptr);
    stepLabel_->setText(study_.StepText());
    if (study_.CurrentSeries())
        emit seriesLoaded();
}

void ThiessenWindow::OpenInOrder(const QStringList& paths)
{
    if (paths.size() >= 2) {
        if (!OpenWith(CorePath(paths[0]), paths[1]))
            return;
    } else if (paths.size() == 1) {
        OpenGauges(paths[0]);
    }
    if (paths.size() >= 3)
        OpenSeries(paths[2]);
}

void ThiessenWindow::OpenDropped(const QStringList& paths)
{
    const DroppedFiles dropped = SortDropped(paths);
    if (!dropped.boundary.isEmpty()) {
        const auto gauges = dropped.gauges.isEmpty() ? study_.Files().gauges
                                                     : std::optional(CorePath(dropped.gauges));
        if (!OpenWith(gauges, dropped.boundary))
            return;
    } else if (!dropped.gauges.isEmpty() && !OpenGauges(dropped.gauges)) {
        return;
    }
    if (!dropped.series.isEmpty())
        OpenSeries(dropped.series);
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

// A new study or basin: the map, the choices, the table's columns anew.
void ThiessenWindow::ShowStudy()
{
    const thiessen::Catchment* catchment = study_.Catchment();
    if (catchment) {
        const thiessen::Diagram& diagram = *catchment->diagram;
        const thiessen::Coverage& coverage = *study_.ChosenCoverage();
        const std::vector<int> colours = thiessen::CellColours(diagram);
        std::vector<MapView::Gauge> gauges;
        for (std::size_t i = 0; i < diagram.Size(); ++i)
            gauges.push_back({QPointF(diagram.Sites()[i].x, diagram.Sites()[i].y),
                              Text(catchment->gauges.gauges[i].id), colours[i],
                              coverage.Area(i) > 0});
        std::vector<QPainterPath> basins;
        for (const thiessen::SubBasin& basin : catchment->subBasins)
            basins.push_back(PathOf(study_.Geos(), basin.coverage->Basin()));
        map_->SetMap(PathOf(study_.Geos(), coverage.Basin()), gauges, {});
        map_->SetBasins(basins);
        cellsStep_ = -2; // the cells and tooltips come with the values
    } else {
        map_->Clear();
    }
    ShowStudyBar();
    for (int column = 0; column < Column::Rainfall; ++column) // the last one stretches
        table_->resizeColumnToContents(column);
    for (QAction* action : catchmentExports_)
        action->setEnabled(catchment != nullptr);
    SeriesChanged();
    ShowValues();
    // Laid out now, not when the event loop comes round: the map fits the
    // room it will have.
    studyBar_->layout()->activate();
    centralWidget()->layout()->activate();
    map_->Fit();
}

// The area and its unit, the coordinate systems, and the choices of layer,
// field and basin where there are any.
void ThiessenWindow::ShowStudyBar()
{
    const thiessen::Catchment* catchment = study_.Catchment();
    studyBar_->setVisible(catchment != nullptr);
    if (!catchment)
        return;
    const thiessen::Coverage& coverage = *study_.ChosenCoverage();
    const QString unit = study_.AreaUnit();
    studyText_->setText(
        QString("%1: %2 %3. %4")
            .arg(study_.Basin() == 0 ? QString("Catchment") : study_.BasinNames()[study_.Basin()])
            .arg(coverage.BasinArea() * catchment->AreaUnit(), 0, 'g', 6)
            .arg(unit.isEmpty() ? QString("in the files' unit, squared") : unit)
            .arg(study_.SystemNames()));
    studyText_->setToolTip(studyText_->text());
    const StudyFiles& files = study_.Files();
    QStringList layers, fields{"(one catchment)"};
    int layer = 0;
    for (const thiessen::PolygonLayerInfo& info : study_.Layers()) {
        if (info.name == files.layer)
            layer = static_cast<int>(layers.size());
        layers << Text(info.name);
        if (static_cast<int>(layers.size()) - 1 == layer && info.features > 1)
            for (const std::string& field : info.fields)
                fields << Text(field);
    }
    ShowChoice(layers_, layers, layer);
    ShowChoice(fields_, fields,
               std::max(0, static_cast<int>(fields.indexOf(Text(files.basinField)))));
    ShowChoice(basins_, study_.BasinNames(), study_.Basin());
    choices_->setVisible(layers.size() > 1 || fields.size() > 1);
}

// The values of the chosen step and basin: the cells, the table, the results.
void ThiessenWindow::ShowValues()
{
    if (study_.Catchment() && cellsStep_ != study_.Step())
        ShowCells();
    const StudyResults results = study_.Results();
    for (int i = 0; i < 5; ++i)
        results_[i]->setText(results.values[i]);
    toCalculator_->setEnabled(results.canHandOver);
    stepLabel_->setText(study_.StepText());
    saveRainfall_->setEnabled(study_.GaugeCount() > 0);
    ShowSelected();
}

// The cells of the step shown, and what pointing at each tells; they change
// with the step and the basin, not as rainfall is typed.
void ThiessenWindow::ShowCells()
{
    cellsStep_ = study_.Step();
    const thiessen::Coverage& coverage = *study_.ChosenCoverage();
    std::vector<QPainterPath> cells;
    const std::vector<bool> missing = study_.Missing();
    if (std::find(missing.begin(), missing.end(), true) != missing.end()) {
        cells = CellsWithout(study_.Geos(), *study_.Catchment(), coverage.Basin(), missing);
    } else {
        for (std::size_t i = 0; i < study_.GaugeCount(); ++i)
            cells.push_back(PathOf(study_.Geos(), coverage.Cell(i)));
    }
    QStringList tips;
    for (int gauge = 0; gauge < static_cast<int>(study_.GaugeCount()); ++gauge) {
        const GaugeRow row = study_.Row(gauge);
        tips << QString("Gauge %1\nArea %2\nWeight %3").arg(row.id, row.area, row.weight);
    }
    map_->SetCells(cells, tips);
}

// The gauge selected in the table, on the map and for screen readers.
void ThiessenWindow::ShowSelected()
{
    const int gauge = table_->currentIndex().row();
    map_->SetSelected(gauge);
    if (gauge < 0 || gauge >= static_cast<int>(study_.GaugeCount())) {
        map_->setAccessibleDescription("No gauge selected");
        return;
    }
    const GaugeRow row = study_.Row(gauge);
    QString text = "Gauge " + row.id + " selected";
    if (!row.area.isEmpty())
        text += QString(": area %1, weight %2").arg(row.area, row.weight);
    map_->setAccessibleDescription(text);
}

// A step of the series: its values in the table, and the areas and cells of
// the gauges that reported, the missing gauges' cells shared among their
// neighbours.
void ThiessenWindow::ShowStep(int step)
{
    study_.ChooseStep(step);
    plot_->SetCurrent(study_.Step());
}

// The calculator, with each pair of the chosen basin typed into its fields
// and accepted through its own Accept button, then computed. It is this
// window's helper: its Exit closes it alone.
W* ThiessenWindow::ToCalculator()
{
    auto* calculator = new W;
    calculator->setAttribute(Qt::WA_DeleteOnClose);
    calculator->SetExitClosesWindow(true);
    calculator->show();
    calculator->AcceptPairs(study_.Pairs());
    calculator->activateWindow();
    return calculator;
}

// Saving and exports -----------------------------------------------------------

bool ThiessenWindow::SaveRainfall(const QString& path)
{
    if (study_.GaugeCount() == 0)
        return false;
    const std::string now = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
    if (!Export(path, study_.RainfallCsv(now)))
        return false;
    study_.MarkRainfallSaved();
    return true;
}

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
        thiessen::WriteFileAtomically(CorePath(path), content);
        return true;
    } catch (const std::exception& error) {
        QMessageBox::critical(this, "Cannot Export", Text(error.what()));
        return false;
    }
}

// With sub-basins, the weights of each, as the command gives them by field.
bool ThiessenWindow::ExportWeights(const QString& path)
{
    const thiessen::Catchment* catchment = study_.Catchment();
    if (!catchment)
        return false;
    return Export(path, catchment->subBasins.empty()
                            ? thiessen::WeightsCsv(*catchment)
                            : thiessen::SubBasinWeightsCsv(*catchment, false));
}

bool ThiessenWindow::ExportCells(const QString& path)
{
    const thiessen::Catchment* catchment = study_.Catchment();
    return catchment && Export(path, thiessen::CellsGeoJson(study_.Geos(), *catchment,
                                                            catchment->subBasins.empty()));
}

bool ThiessenWindow::ExportMapSvg(const QString& path)
{
    const thiessen::Catchment* catchment = study_.Catchment();
    return catchment && Export(path, thiessen::MapSvg(study_.Geos(), *catchment));
}

bool ThiessenWindow::ExportMapPng(const QString& path)
{
    const thiessen::Catchment* catchment = study_.Catchment();
    if (!catchment)
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    MapPictureImage(thiessen::LayOutMap(study_.Geos(), *catchment), 2).save(&buffer, "PNG");
    return Export(path, bytes.toStdString());
}

bool ThiessenWindow::ExportSeries(const QString& path)
{
    return study_.CurrentSeries() && Export(path, study_.SeriesCsv());
}

} // namespace rainfall
