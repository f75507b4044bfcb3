// The Thiessen window's model without widgets: the series read in the
// background, and the dropped files told apart.

#include "thiessen/geometry/geos.h"
#include "thiessen/study/catchment.h"
#include "thiessenwindow/model/dropped_files.h"
#include "thiessenwindow/model/series_loader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#endif

using namespace rainfall;

namespace {

const QString Data = QStringLiteral(THIESSEN_TEST_DATA "/");

// A catchment shared as the window shares it: with the GEOS context its
// geometries belong to, which lives as long as any share of it.
std::shared_ptr<const thiessen::Catchment> Share(const QString& gauges, const QString& boundary,
                                                 const std::string& basinField = {})
{
    struct Study {
        thiessen::Geos geos;
        thiessen::Catchment catchment;
    };
    auto study = std::make_shared<Study>();
    thiessen::CatchmentOptions options;
    options.basinField = basinField;
    study->catchment = thiessen::LoadCatchment(study->geos, (Data + gauges).toStdString(),
                                               (Data + boundary).toStdString(), options);
    return {study, &study->catchment};
}

// What a loader reported but its progress, in order, as "signal revision".
struct Reports {
    explicit Reports(SeriesLoader& loader)
    {
        QObject::connect(&loader, &SeriesLoader::progress, [this](int percent, int revision) {
            percents.push_back(percent);
            progressRevisions.insert(revision);
        });
        QObject::connect(&loader, &SeriesLoader::loaded,
                         [this](std::shared_ptr<const Series> read, int revision) {
                             series = std::move(read);
                             events << QString("loaded %1").arg(revision);
                         });
        QObject::connect(&loader, &SeriesLoader::failed, [this](const QString& text, int revision) {
            message = text;
            events << QString("failed %1").arg(revision);
        });
        QObject::connect(&loader, &SeriesLoader::cancelled,
                         [this](int revision) { events << QString("cancelled %1").arg(revision); });
    }

    QStringList events;
    std::vector<int> percents;
    QSet<int> progressRevisions;
    std::shared_ptr<const Series> series;
    QString message;
};

// The reads run on a pool the application owns; waiting for it lets every
// read end, with what it reports still queued.
void LetReadsEnd()
{
    qApp->findChild<QThreadPool*>("rainfall::SeriesLoader")->waitForDone();
}

// ... and this delivers it.
void Deliver()
{
    LetReadsEnd();
    QCoreApplication::sendPostedEvents();
}

void Write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A wide series for the 56 gauges of triangle-gauges.csv, some 1.7 MB: its
// steps' values rise with the step; at odd steps every seventh is missing,
// as -9999.
QByteArray LatticeSeries()
{
    QByteArray text = "time";
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 7; ++column)
            text += ",G" + QByteArray::number(row) + QByteArray::number(column);
    for (int step = 0; step < 6000; ++step) {
        text += "\n2026-01-01 " + QByteArray::number(step);
        for (int gauge = 0; gauge < 56; ++gauge)
            text += step % 2 == 1 && (step + gauge) % 7 == 0 ? ",-9999"
                                                             : "," + QByteArray::number(step % 100);
    }
    return text + "\n";
}

} // namespace

class TestThiessenModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void replacedReadIsNeverReported();
    void cancelledReadIsNeverReported();
    void destroyedLoaderLeavesItsReadsSafely();
    void abandonedReadStopsReading_data();
    void abandonedReadStopsReading();
    void progressRisesWithinZeroToHundred();
    void failureNamesTheFileAndLine();
    void subBasinsAsTheCommandComputesThem();

    void droppedFilesSorted_data();
    void droppedFilesSorted();

private:
    QTemporaryDir folder_;
    std::shared_ptr<const thiessen::Catchment> lattice_, square_;
};

void TestThiessenModel::initTestCase()
{
    QVERIFY(folder_.isValid());
    Write(folder_.filePath("lattice.csv"), LatticeSeries());
    lattice_ = Share("triangle-gauges.csv", "triangle.shp");
    square_ = Share("square-gauges.csv", "square.wkt");
}

void TestThiessenModel::cleanupTestCase()
{
    // A read left running without its loader, and holding a share of the
    // catchment: the application's end waits for it.
    SeriesLoader(this).Start(lattice_, folder_.filePath("lattice.csv").toStdString(), 1);
}

void TestThiessenModel::replacedReadIsNeverReported()
{
    // The first read ends just as another starts, for a catchment of fewer
    // gauges: its result is on its way, and must not arrive.
    SeriesLoader loader;
    Reports reports(loader);
    loader.Start(lattice_, folder_.filePath("lattice.csv").toStdString(), 1);
    LetReadsEnd();
    loader.Start(square_, (Data + "square-series.csv").toStdString(), 2);
    QVERIFY(loader.Running());
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 2"});
    QVERIFY(!loader.Running());
    QCOMPARE(reports.progressRevisions, QSet<int>{2});
    // The square's own series, with -9999 missing: `thiessen series`.
    const Series& series = *reports.series;
    QCOMPARE(series.gauges, 4u);
    QCOMPARE(series.basins, 1u);
    QCOMPARE(series.Size(), 4u);
    QCOMPARE(series.times[3], "2026-06-01 03:00");
    QCOMPARE(*series.Step(0).rainfall, 10.0);
    QCOMPARE(*series.Step(1).rainfall, 8.5);
    QVERIFY(!series.Step(2).rainfall);
    QCOMPARE(series.Step(3).reporting, 3u);
    QCOMPARE(*series.Step(3).rainfall, 1.0);
    QVERIFY(!series.HasGaps(0) && series.HasGaps(3));
    // In the gauges file's order, SW first and NE last.
    QCOMPARE(series.Values(0)[0], 4.0f);
    QVERIFY(std::isnan(series.Values(3)[3]));
}

void TestThiessenModel::cancelledReadIsNeverReported()
{
    SeriesLoader loader;
    Reports reports(loader);
    loader.Cancel(); // nothing to cancel: no signal
    loader.Start(square_, (Data + "square-series.csv").toStdString(), 7);
    LetReadsEnd();
    loader.Cancel();
    QVERIFY(!loader.Running());
    QCOMPARE(reports.events, QStringList{"cancelled 7"});
    Deliver();
    QCOMPARE(reports.events, QStringList{"cancelled 7"});
    QVERIFY(reports.percents.empty());
    // Cancelled before its thread has even started.
    loader.Start(lattice_, folder_.filePath("lattice.csv").toStdString(), 8);
    loader.Cancel();
    Deliver();
    QCOMPARE(reports.events, (QStringList{"cancelled 7", "cancelled 8"}));
    QVERIFY(reports.percents.empty());
}

void TestThiessenModel::destroyedLoaderLeavesItsReadsSafely()
{
    // Destroyed while its read runs, holding the last share of the
    // catchment; and destroyed with its result queued.
    auto loader = std::make_unique<SeriesLoader>();
    loader->Start(Share("triangle-gauges.csv", "triangle.shp"),
                  folder_.filePath("lattice.csv").toStdString(), 1);
    loader.reset();
    Deliver();
    loader = std::make_unique<SeriesLoader>();
    loader->Start(square_, (Data + "square-series.csv").toStdString(), 2);
    LetReadsEnd();
    loader.reset();
    Deliver();
    // A read started again and again, each replaced before it ends.
    loader = std::make_unique<SeriesLoader>();
    Reports reports(*loader);
    for (int revision = 1; revision <= 5; ++revision)
        loader->Start(lattice_, folder_.filePath("lattice.csv").toStdString(), revision);
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 5"});
    QCOMPARE(reports.series->Size(), 6000u);
}

void TestThiessenModel::abandonedReadStopsReading_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancelled") << "cancelled";
    QTest::newRow("replaced") << "replaced";
    QTest::newRow("destroyed") << "destroyed";
}

void TestThiessenModel::abandonedReadStopsReading()
{
#ifndef Q_OS_UNIX
    QSKIP("The series is fed through a named pipe");
#else
    // The series comes through a pipe, up to 16 MB of it: a read that stops
    // closes the pipe, and the writing is cut off long before.
    QFETCH(QString, how);
    const QByteArray pipe = QFile::encodeName(folder_.filePath("pipe-" + how));
    QVERIFY(mkfifo(pipe.constData(), 0600) == 0);
    std::signal(SIGPIPE, SIG_IGN);
    constexpr qsizetype kLimit = 16 << 20;
    qsizetype written = 0;
    std::thread writer([&] {
        const int file = open(pipe.constData(), O_WRONLY); // once the reader opens it
        QByteArray text = "time,NE,NW,SE,SW\n";
        while (written < kLimit && write(file, text.data(), text.size()) == text.size()) {
            written += text.size();
            text = QByteArray("2026-06-01 00:00,1,2,3,4\n").repeated(2000);
        }
        close(file);
    });
    auto loader = std::make_unique<SeriesLoader>();
    loader->Start(square_, pipe.toStdString(), 1);
    if (how == "cancelled")
        loader->Cancel();
    else if (how == "replaced")
        loader->Start(square_, (Data + "square-series.csv").toStdString(), 2);
    else
        loader.reset();
    writer.join();
    Deliver();
    QVERIFY2(written < kLimit, "the read went on to the end");
#endif
}

void TestThiessenModel::progressRisesWithinZeroToHundred()
{
    SeriesLoader loader;
    Reports reports(loader);
    loader.Start(lattice_, folder_.filePath("lattice.csv").toStdString(), 3);
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 3"});
    QVERIFY2(reports.percents.size() >= 5, "a block of the file at a time");
    QCOMPARE(reports.percents.back(), 100);
    // Each report is news: a higher figure than the last.
    QVERIFY(std::adjacent_find(reports.percents.begin(), reports.percents.end(),
                               std::greater_equal<int>()) == reports.percents.end());
    QCOMPARE(reports.progressRevisions, QSet<int>{3});
}

void TestThiessenModel::failureNamesTheFileAndLine()
{
    SeriesLoader loader;
    Reports reports(loader);
    // Its third line has a T, which this reader takes for no number.
    loader.Start(lattice_, (Data + "triangle-series.csv").toStdString(), 4);
    Deliver();
    QCOMPARE(reports.events, QStringList{"failed 4"});
    QVERIFY2(reports.message.contains("triangle-series.csv, line 3, column 3"),
             qPrintable(reports.message));
    QVERIFY(!loader.Running());
    loader.Start(lattice_, folder_.filePath("absent.csv").toStdString(), 5);
    Deliver();
    QCOMPARE(reports.events.last(), "failed 5");
    QVERIFY2(reports.message.startsWith(folder_.filePath("absent.csv") + ": "),
             qPrintable(reports.message));
    QVERIFY(reports.percents.empty());
}

void TestThiessenModel::subBasinsAsTheCommandComputesThem()
{
    // triangle-series.csv with its traces of rain as 0, as `thiessen series
    // --trace T` takes them; the figures are that command's, without --by
    // for the whole catchment and with --by NAME for its districts.
    QFile original(Data + "triangle-series.csv");
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QString path = folder_.filePath("triangle-series.csv");
    Write(path, original.readAll().replace(",T\n", ",0\n"));
    SeriesLoader loader;
    Reports reports(loader);
    loader.Start(Share("triangle-gauges.csv", "triangle.shp", "NAME"), path.toStdString(), 9);
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 9"});
    const Series& series = *reports.series;
    QCOMPARE(series.Size(), 3u);
    QCOMPARE(series.basins, 8u);
    QCOMPARE(series.times, (std::vector<std::string>{"2026-07-01", "2026-07-02", "2026-07-03"}));
    // The whole catchment, Granville and Johnston (basins 0, 1 and 7).
    QCOMPARE(series.Step(1, 0).reporting, 33u);
    QVERIFY(std::abs(*series.Step(0, 0).rainfall - 3.0670503248453787) < 1e-12);
    QVERIFY(std::abs(*series.Step(2, 1).rainfall - 3.6176145776908597) < 1e-12);
    QVERIFY(std::abs(*series.Step(1, 7).rainfall - 0.7646022826476448) < 1e-12);
    QVERIFY(series.HasGaps(1));
    QCOMPARE(series.Values(1)[10], 12.7f); // G13

    // A step's gaps are its own, whatever the number of basins.
    loader.Start(Share("triangle-gauges.csv", "triangle.shp", "NAME"),
                 folder_.filePath("lattice.csv").toStdString(), 10);
    Deliver();
    QCOMPARE(reports.events.last(), "loaded 10");
    QVERIFY(!reports.series->HasGaps(0) && reports.series->HasGaps(1));
    QCOMPARE(reports.series->Step(0, 7).reporting, 56u);
}

void TestThiessenModel::droppedFilesSorted_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("gauges");
    QTest::addColumn<QString>("boundary");
    QTest::addColumn<QString>("series");
    const QString dir = folder_.path() + "/";
    QVERIFY(QDir().mkpath(dir + "drop"));
    const auto copy = [&](const QString& from, const QString& to) {
        QVERIFY(QFile::copy(Data + from, dir + "drop/" + to));
    };
    for (const char* extension : {"shp", "dbf", "shx"}) {
        copy(QString("triangle.") + extension, QString("triangle.") + extension);
        copy(QString("triangle.") + extension, QString("districts.v2.") + extension);
        copy(QString("triangle.") + extension, QString("BASIN.") + QString(extension).toUpper());
    }
    copy("wake-feet.prj", "triangle.prj");
    copy("wake-gauges.gpkg", "WAKE-GAUGES.GPKG");
    copy("square.wkt", "SQUARE.WKT");
    Write(dir + "drop/triangle.cpg", "UTF-8");
    copy("triangle.dbf", "orphan.dbf");
    Write(dir + "drop/elevations.csv", "id,x,y,elevation\nA,1,2,30\nB,3,4,40\n");
    Write(dir + "drop/semicolons.csv", "id;x;y\nA;1,5;2\nB;3;4,5\n");
    Write(dir + "drop/STATIONS.TXT", "station,longitude,latitude\nA,1,2\n");
    Write(dir + "drop/RAIN.TXT", "time,A,B\n2026-01-01,1,2\n");
    Write(dir + "drop/long.csv", "station,date,lat,lon,prcp\nA,2026-01-01,35.8,-78.6,1\n");
    const auto in = [&](QStringList names) {
        for (QString& name : names)
            name = dir + "drop/" + name;
        return names;
    };
    const QString none;

    QTest::newRow("gauges with another column, a series")
        << in({"elevations.csv", "long.csv"}) << in({"elevations.csv"})[0] << none
        << in({"long.csv"})[0];
    QTest::newRow("gauges separated by semicolons")
        << in({"semicolons.csv"}) << in({"semicolons.csv"})[0] << none << none;
    QTest::newRow("a shapefile whole, with a series")
        << in({"RAIN.TXT", "triangle.dbf", "triangle.shp", "triangle.shx", "triangle.prj",
               "triangle.cpg"})
        << none << in({"triangle.shp"})[0] << in({"RAIN.TXT"})[0];
    QTest::newRow("a part without its shapefile") << in({"orphan.dbf"}) << none << none << none;
    QTest::newRow("a shapefile's part, with dots in its name")
        << in({"districts.v2.dbf"}) << none << in({"districts.v2.shp"})[0] << none;
    QTest::newRow("extensions in capitals")
        << in({"BASIN.SHX", "BASIN.SHP", "BASIN.DBF", "STATIONS.TXT"}) << in({"STATIONS.TXT"})[0]
        << in({"BASIN.SHP"})[0] << none;
    QTest::newRow("points in a vector file, WKT")
        << in({"WAKE-GAUGES.GPKG", "SQUARE.WKT"}) << in({"WAKE-GAUGES.GPKG"})[0]
        << in({"SQUARE.WKT"})[0] << none;
}

void TestThiessenModel::droppedFilesSorted()
{
    QFETCH(QStringList, dropped);
    const DroppedFiles files = SortDropped(dropped);
    QTEST(files.gauges, "gauges");
    QTEST(files.boundary, "boundary");
    QTEST(files.series, "series");
}

QTEST_GUILESS_MAIN(TestThiessenModel)
#include "tst_thiessenmodel.moc"
