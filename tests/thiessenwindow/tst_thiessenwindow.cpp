// The Thiessen window driven as a user drives it: files opened, rainfall typed
// into the table, the pairs handed to the calculator, a series stepped
// through, a bad file refused. Its look is compared with pictures.
#include "mainwindow/w.h"
#include "tests/pictures.h"
#include "thiessenwindow/map_picture_painter.h"
#include "thiessenwindow/map_view.h"
#include "thiessenwindow/series_plot.h"
#include "thiessenwindow/thiessen_window.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

using namespace rainfall;

namespace {

const QString Data = QStringLiteral(THIESSEN_TEST_DATA "/");

QStringList ColumnOf(const QTableView* table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        texts << table->model()->index(row, column).data().toString();
    return texts;
}

// What a screen reader hears as the value of the control described so.
QString Heard(const QWidget& window, const QString& description)
{
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
        if (control && control->text(QAccessible::Description) == description)
            return control->text(QAccessible::Name);
    }
    return "(no control described as " + description + ")";
}

// The example catchment with its six gauges, active.
struct Session {
    ThiessenWindow window;
    QTableView* table = window.findChild<QTableView*>();

    Session()
    {
        window.show();
        QVERIFY2(window.OpenGauges(Data + "example-gauges.csv"), "gauges");
        QVERIFY2(window.OpenBoundary(Data + "example-catchment.wkt"), "boundary");
        Activate();
    }
    void Activate()
    {
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window, 30000)) // slow under the sanitizers
            qFatal("the Thiessen window does not become active");
    }
    // Keys as the window's focus takes them: a key name ("Return", "Alt+T"),
    // text to type, or text to paste into the open editor ("paste:1,5").
    void Press(const QString& keys)
    {
        for (const QString& key : keys.split(' ', Qt::SkipEmptyParts)) {
            Activate();
            QWidget* focus = QApplication::focusWidget();
            if (key.startsWith("paste:")) {
                QGuiApplication::clipboard()->setText(key.mid(6));
                QTest::keyClick(focus, Qt::Key_F2);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
            } else if (key.size() > 1 && key[0].isUpper() && !key.contains('.')) {
                const QKeyCombination combination = QKeySequence(key)[0];
                QTest::keyClick(focus, combination.key(), combination.keyboardModifiers());
            } else {
                // A key at a time: the first opens the editor, which takes the rest.
                for (QChar c : key)
                    QTest::keyClicks(QApplication::focusWidget(), QString(c));
            }
        }
    }
    QStringList Column(int column) const { return ColumnOf(table, column); }
    void Select(int row) { table->setCurrentIndex(table->model()->index(row, 5)); }
    // The five results, as a screen reader hears them.
    QString Results() const
    {
        QStringList shown;
        for (const char* name : {"Number of values", "Arithmetic mean", "Standard deviation",
                                 "Thiessen mean", "Sum of areas"})
            shown << Heard(window, name);
        return shown.join('|');
    }
};

// Reads and closes each message box that opens, as "title|text".
struct Boxes {
    QStringList seen;
    QTimer timer;
    Boxes()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + "|" + box->text();
                box->close();
            }
        });
        timer.start(10);
    }
};

// The example's rainfall on its first day, typed gauge after gauge; the
// keypad's decimal key types the point in the third.
const QString FirstDay = "12.4 Return 10.2 Return Num+8 Num+, Num+8 Return 11 Return 7.6 Return "
                         "6.5 Return";

} // namespace

class TestThiessenWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pictures::Prepare(); }
    // First, so that the first picture is the first window the test draws.
    void pictures_data();
    void pictures();
    void typedRainfallToCalculator();
    void refusals_data();
    void refusals();
    void seriesSteps();
    void exports();
    void gisFiles();
    void subBasins();
    void nothingTypedLost();
    void mapByMouse();
    void mapPicturePainted();
};

// The table's pairs give the calculator's own results, here and in the
// calculator they are handed to.
void TestThiessenWindow::typedRainfallToCalculator()
{
    ThiessenWindow empty; // centred on its screen as it opens
    empty.show();
    QCOMPARE(empty.geometry().center(), empty.screen()->availableGeometry().center());
    Session s;
    QCOMPARE(s.Column(3), QStringList({"28.576948", "41.637466", "39.6384", "51.331387",
                                       "26.295841", "0.269958"}));
    s.table->setFocus();
    s.Select(0);
    s.Press(FirstDay);
    QCOMPARE(s.Column(5), QStringList({"12.4", "10.2", "8.8", "11", "7.6", "6.5"}));
    const QString results = " 6| 9.416666| 2.200382| 10.08854| 187.75";
    QCOMPARE(s.Results(), results);
    s.Press("Alt+T");
    const auto findCalculator = [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<W*>(window); w && w->isVisible())
                return w;
        return static_cast<W*>(nullptr);
    };
    QTRY_VERIFY(findCalculator()); // a mnemonic presses its button after a moment
    W* calculator = findCalculator();
    QStringList shown;
    for (const char* name : {"lblNumber", "lblMean", "lblStdDev", "lblMean1", "lblArea"})
        shown << calculator->findChild<QLabel*>(name)->text();
    QCOMPARE(shown.join('|'), results);
    // Its Exit closes it alone; the map window keeps what was typed.
    QTest::keyClick(calculator, Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(!findCalculator());
    QVERIFY(s.window.isVisible());
    QCOMPARE(s.Column(5), QStringList({"12.4", "10.2", "8.8", "11", "7.6", "6.5"}));
}

// What is not a number is refused with a message, and a file that cannot be
// read is refused with its place; either way the window keeps what it had.
void TestThiessenWindow::refusals_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("gauges");
    QTest::addColumn<QString>("box");
    QTest::newRow("decimal comma pasted")
        << "paste:1,5 Return"
        << ""
        << "Not a Number|\"1,5\" is not a number. Type the rainfall in digits, with a full stop "
           "(.) as the decimal point, for example 12.5.";
    QTest::newRow("too large") << "paste:1E39 Return"
                               << ""
                               << "Not a Number|\"1E39\" is too large for the program to hold.";
    QTest::newRow("bad coordinate") << ""
                                    << "id,x,y\nA,1,2\nB,3,north\n"
                                    << "Cannot Open File|";
}

void TestThiessenWindow::refusals()
{
    QFETCH(QString, keys);
    QFETCH(QString, gauges);
    QFETCH(QString, box);
    Session s;
    s.table->setFocus();
    s.Select(0);
    s.Press("5 Return");
    s.Select(0);
    const QImage before = s.window.grab().toImage();
    Boxes boxes;
    QTemporaryDir folder;
    const QString file = folder.filePath("gauges.csv");
    if (!gauges.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(gauges.toUtf8());
        out.close();
        QVERIFY(!s.window.OpenGauges(file));
        box += file + ", line 3, column 3 (y): expected a number, not \"north\"";
    }
    s.Press(keys);
    QTRY_COMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0], box);
    QCOMPARE(s.Column(5).join(','), "5,,,,,");
    s.Activate();
    s.table->setFocus();
    QCOMPARE(s.window.grab().toImage(), before);
}

// A series read in the background, then stepped through with the keys: each
// step shows its values, and where a gauge is missing, its area goes to its
// neighbours, whose weights make the step's catchment rainfall.
void TestThiessenWindow::seriesSteps()
{
    Session s;
    QSignalSpy loaded(&s.window, &ThiessenWindow::seriesLoaded);
    // Dropped together in any order, the files are told apart.
    s.window.OpenDropped(
        {Data + "example-series.csv", Data + "example-catchment.wkt", Data + "example-gauges.csv"});
    QVERIFY(loaded.wait(10000));
    auto* plot = s.window.findChild<SeriesPlot*>();
    plot->setFocus();
    s.Press("Right");
    QCOMPARE(Heard(s.window, "Time step"),
             "Step 1 of 5, 2026-03-01: catchment rainfall 10.088535842982482");
    QCOMPARE(s.Column(5).join(','), "12.4,10.2,8.8,11,7.6,6.5");
    s.Press("Right");
    QCOMPARE(Heard(s.window, "Time step"),
             "Step 2 of 5, 2026-03-02: catchment rainfall 0.1581321101268765; "
             "missing: Dunmore");
    QCOMPARE(s.Column(5).join(','), "0,0.2,0,,0.4,0");
    QCOMPARE(s.Column(3).join(','), "49.16513,44.8129,41.6852,0,51.81681,0.269958");
    QCOMPARE(s.Results(), " 5| .12| .1788854| .1581321| 187.75");
    s.Press("Right Right");
    QCOMPARE(Heard(s.window, "Time step"),
             "Step 4 of 5, 2026-03-04: catchment rainfall none (no gauge "
             "reported); missing: Ashby, Brook Farm, Castle Hill, Dunmore, "
             "Elmstead, Fenwick");
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(plot->width() - 10, plot->height() / 2));
    QVERIFY(Heard(s.window, "Time step")
                .startsWith("Step 5 of 5, 2026-03-05: catchment rainfall 3.802855702193843;"));
    s.Press("Escape");
    QVERIFY(Heard(s.window, "Time step")
                .startsWith("The whole diagram with the rainfall typed; 5 steps"));
    QCOMPARE(s.Column(3)[3], "51.331387");
}

// The weights and the series result are the very bytes of the thiessen
// command's (series with --missing -9999); the map's PNG is twice its SVG.
void TestThiessenWindow::exports()
{
    Session s;
    QSignalSpy loaded(&s.window, &ThiessenWindow::seriesLoaded);
    QVERIFY(s.window.OpenSeries(Data + "example-series.csv"));
    QVERIFY(loaded.wait(10000));
    QTemporaryDir folder;
    const auto read = [&folder](const QString& name) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QVERIFY(s.window.ExportWeights(folder.filePath("weights.csv")));
    QCOMPARE(read("weights.csv"), "id,area,weight\n"
                                  "Ashby,28.57694816103935,0.15220744692963703\n"
                                  "Brook Farm,41.63746734492262,0.2217707981087756\n"
                                  "Castle Hill,39.63839997721577,0.21112330214229438\n"
                                  "Dunmore,51.331385899713844,0.2734028543260391\n"
                                  "Elmstead,26.29584063391516,0.1400577397279103\n"
                                  "Fenwick,0.26995798319327724,0.001437858765343687\n");
    QVERIFY(s.window.ExportSeries(folder.filePath("series.csv")));
    QCOMPARE(read("series.csv"), "time,rainfall,gauges\n"
                                 "2026-03-01,10.088535842982482,6\n"
                                 "2026-03-02,0.1581321101268765,5\n"
                                 "2026-03-03,21.09084390296288,5\n"
                                 "2026-03-04,,0\n"
                                 "2026-03-05,3.802855702193843,5\n");
    QVERIFY(s.window.ExportMapSvg(folder.filePath("map.svg")));
    // The PNG is the SVG's picture at twice its size.
    QVERIFY(read("map.svg").contains(R"(width="904.00" height="796.95")"));
    QVERIFY(s.window.ExportMapPng(folder.filePath("map.png")));
    QCOMPARE(QImage(folder.filePath("map.png")).size(), QSize(1808, 1594));
}

// The example as it opens with the first day's rainfall typed, under a
// palette in which every system colour differs and under a dark one; and a
// step of its series with a gauge missing.
void TestThiessenWindow::pictures_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<int>("step");
    QTest::newRow("thiessen-window") << pictures::Distinct() << -1;
    QTest::newRow("thiessen-window-dark") << pictures::Dark() << -1;
    QTest::newRow("thiessen-window-step") << pictures::Distinct() << 1;
    QTest::newRow("thiessen-window-subbasins") << pictures::Distinct() << -2;
    QTest::newRow("thiessen-window-subbasins-dark") << pictures::Dark() << -2;
}

void TestThiessenWindow::pictures()
{
    QFETCH(QPalette, palette);
    QFETCH(int, step);
    QApplication::setPalette(palette);
    Session s;
    s.table->setFocus();
    s.Select(0);
    s.Press(FirstDay);
    if (step == -2) { // seven counties, one of them chosen
        s.window.OpenInOrder({Data + "triangle-gauges.csv", Data + "triangle.shp"});
        s.window.ChooseBasinField("NAME");
        s.window.findChild<QComboBox*>("basins")->setCurrentIndex(6);
    }
    if (step >= 0) {
        QSignalSpy loaded(&s.window, &ThiessenWindow::seriesLoaded);
        QVERIFY(s.window.OpenSeries(Data + "example-series.csv"));
        QVERIFY(loaded.wait(10000));
        s.window.ShowStep(step);
    }
    pictures::Compare(&s.window, QTest::currentDataTag());
    QApplication::setPalette(pictures::Distinct());
}

// GIS files as they come, dropped from a folder whose name is not in any
// code page: a zipped shapefile in US feet with gauges in longitude and
// latitude gives areas in km²; a boundary of many features says they were
// merged; a file of two polygon layers is refused with its layers.
void TestThiessenWindow::gisFiles()
{
    QTemporaryDir temporary;
    const QString folder = temporary.filePath(QString::fromUtf8("Jos\u00e9 \u96e8\u91cf"));
    QVERIFY(QDir().mkpath(folder));
    for (const char* name : {"wake-feet.zip", "wake-gauges.csv"})
        QVERIFY(QFile::copy(Data + name, folder + "/" + name));
    ThiessenWindow window;
    window.show();
    window.OpenDropped({folder + "/wake-feet.zip", folder + "/wake-gauges.csv"});
    auto* table = window.findChild<QTableView*>();
    QCOMPARE(ColumnOf(table, 0).size(), 8);
    QCOMPARE(table->model()->headerData(3, Qt::Horizontal), QString::fromUtf8("Area (km\u00b2)"));
    QCOMPARE(ColumnOf(table, 0)[1], "RAL");
    QCOMPARE(ColumnOf(table, 4)[1], "0.0924");
    // RAL's area over its weight: some 2195 km².
    QVERIFY(Heard(window, "The catchment").startsWith(QString::fromUtf8("Catchment: 219")));
    QLabel* notes = nullptr;
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->accessibleDescription() == "Notes on the files")
            notes = label;
    QVERIFY(notes->isHidden());
    QVERIFY(window.OpenBoundary(Data + "nc-counties.gpkg"));
    QVERIFY(notes->isVisible());
    QCOMPARE(notes->text(), Data + "nc-counties.gpkg: merged its 100 features into one catchment");
    // A file of two polygon layers opens its first; the other is a choice away.
    QVERIFY(window.OpenBoundary(Data + "two-layers.gpkg"));
    auto* layers = window.findChild<QComboBox*>("layers");
    QVERIFY(layers->isVisible());
    QCOMPARE(layers->currentText(), "counties");
    QCOMPARE(layers->itemText(1), "lakes");
}

// Seven counties named by a field: each is a basin of its own, whose table,
// results and hand-over hold only the gauges whose cells reach into it.
void TestThiessenWindow::subBasins()
{
    ThiessenWindow window;
    window.show();
    window.OpenInOrder({Data + "triangle-gauges.csv", Data + "triangle.shp"});
    auto* fields = window.findChild<QComboBox*>("basinField");
    QVERIFY(fields->isVisible());
    QCOMPARE(fields->itemText(1), "NAME");
    fields->setCurrentIndex(1);
    auto* basins = window.findChild<QComboBox*>("basins");
    QCOMPARE(basins->count(), 8);
    QCOMPARE(basins->itemText(1), "Granville");
    basins->setCurrentIndex(1);
    StudyModel& study = window.Study();
    study.SetTypedRainfall(38, "10"); // G53
    study.SetTypedRainfall(39, "20"); // G54
    study.SetTypedRainfall(0, "99");  // far from Granville
    auto* table = window.findChild<QTableView*>();
    const int g53 = ColumnOf(table, 0).indexOf("G53");
    QCOMPARE(ColumnOf(table, 4)[g53], "0.1475");
    QCOMPARE(ColumnOf(table, 4)[0], "0.0000");
    QCOMPARE(Heard(window, "Number of values"), " 2");
    QCOMPARE(Heard(window, "Thiessen mean"), " 15.40221");
    QCOMPARE(Heard(window, "The catchment"), "Granville: 1.42751e+09 in the files' unit, squared. "
                                             "Neither file names its coordinate system.");
    table->setCurrentIndex(table->model()->index(g53, 5));
    QCOMPARE(window.findChild<MapView*>()->accessibleDescription(),
             "Gauge G53 selected: area 210498272, weight 0.1475");
    W* calculator = window.ToCalculator();
    QCOMPARE(calculator->findChild<QLabel*>("lblMean1")->text(), " 15.40221");
    calculator->close();
    QTemporaryDir folder;
    QVERIFY(window.ExportWeights(folder.filePath("weights.csv")));
    QFile weights(folder.filePath("weights.csv"));
    QVERIFY(weights.open(QIODevice::ReadOnly));
    QCOMPARE(weights.readLine(), "catchment,id,area,weight\n");
}

// Typed rainfall is saved as a series of one step and comes back from it; a
// window with rainfall never saved asks before it closes.
void TestThiessenWindow::nothingTypedLost()
{
    QTemporaryDir folder;
    const QString saved = folder.filePath("typed.csv");
    {
        Session s;
        s.table->setFocus();
        s.Select(0);
        Boxes boxes;
        s.Press("12.4 Return 5 Return");
        s.Select(1);
        s.Press("F2 Backspace Return 8.8 Return"); // the 5 cleared
        QVERIFY(boxes.seen.isEmpty());
        QVERIFY(!s.window.close());
        QTRY_COMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0], "Thiessen Polygons|Save the rainfall you typed before closing?");
        QVERIFY(s.window.isVisible());
        QVERIFY(s.window.SaveRainfall(saved));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines[0], "time,Ashby,Brook Farm,Castle Hill,Dunmore,Elmstead,Fenwick");
        QVERIFY2(lines[1].endsWith(",12.4,,8.8,,,"), lines[1]);
        QVERIFY(s.window.close());
    }
    Session s;
    QSignalSpy typed(&s.window.Study(), &StudyModel::valuesChanged);
    QVERIFY(s.window.OpenSeries(saved));
    QTRY_COMPARE(s.Column(5).join(','), "12.4,,8.8,,,");
    QVERIFY(!s.window.findChild<SeriesPlot*>()->isVisible());
    QCOMPARE(s.Results(), " 2| 10.6| 2.545581| 10.30812| 68.21535");
    QVERIFY(s.window.close());
}

// The map by mouse: the wheel zooms about the pointer, dragging pans, a click
// selects the gauge of the cell clicked, and pointing tells its row.
void TestThiessenWindow::mapByMouse()
{
    Session s;
    auto* map = s.window.findChild<MapView*>();
    const QPoint at(map->width() / 3, map->height() / 2);
    const QPointF under = map->PlaneAt(at);
    const QPointF corner = map->PlaneAt(QPointF(0, 0));
    QWheelEvent wheel(at, map->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &wheel);
    QVERIFY(QLineF(map->PlaneAt(at), under).length() < 1e-9);
    QVERIFY(QLineF(map->PlaneAt(QPointF(0, 0)), corner).length() > 1);
    QTest::mousePress(map, Qt::LeftButton, {}, at);
    QTest::mouseMove(map, at + QPoint(40, 30));
    QTest::mouseRelease(map, Qt::LeftButton, {}, at + QPoint(40, 30));
    QVERIFY(QLineF(map->PlaneAt(at + QPoint(40, 30)), under).length() < 1e-9);
    // Dunmore's cell, away from its dot: the plane point (6.5, 7) in pixels.
    const QPointF o = map->PlaneAt(QPointF(0, 0));
    const qreal scale = map->PlaneAt(QPointF(1, 0)).x() - o.x();
    const QPoint dunmore((6.5 - o.x()) / scale, (o.y() - 7) / scale);
    QTest::mouseClick(map, Qt::LeftButton, {}, dunmore);
    QCOMPARE(s.table->currentIndex().row(), 3);
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint((3 - o.x()) / scale, (o.y() - 11.5) / scale));
    QCOMPARE(s.table->currentIndex().row(), 0); // Ashby's dot
    QHelpEvent help(QEvent::ToolTip, dunmore, map->mapToGlobal(dunmore));
    QApplication::sendEvent(map, &help);
    QTRY_COMPARE(QToolTip::text(), "Gauge Dunmore\nArea 51.331387\nWeight 0.2734");
}

// The painter draws the layout as the SVG does: at twice the size, the
// cells in their fills and the gauges' dots where the layout put them.
void TestThiessenWindow::mapPicturePainted()
{
    const thiessen::Geos geos;
    const thiessen::Catchment catchment =
        thiessen::LoadCatchment(geos, THIESSEN_TEST_DATA "/example-gauges.csv",
                                THIESSEN_TEST_DATA "/example-catchment.wkt");
    const thiessen::MapPicture picture = thiessen::LayOutMap(geos, catchment);
    const QImage image = MapPictureImage(picture, 2);
    QCOMPARE(image.size(), QSize(qRound(picture.width * 2), qRound(picture.height * 2)));
    const auto pixel = [&image](thiessen::PicturePoint at) {
        return image.pixelColor(qRound(at.x * 2), qRound(at.y * 2));
    };
    for (const thiessen::PictureGauge& gauge : picture.gauges)
        QCOMPARE(pixel(gauge.at), QColor(0xc0, 0x39, 0x2b));
    // Ashby's cell at (4, 8), clear of any text, in the palette's first fill.
    const thiessen::PicturePoint inAshby = picture.OnPicture(4, 8);
    for (const thiessen::PictureText& label : picture.labels)
        QVERIFY(!label.Box().Contains(inAshby));
    QCOMPARE(pixel(inAshby), QColor(0xfd, 0xe2, 0xc8));
    QCOMPARE(pixel({1, 1}), QColor(Qt::white));
}

QTEST_MAIN(TestThiessenWindow)
#include "tst_thiessenwindow.moc"
