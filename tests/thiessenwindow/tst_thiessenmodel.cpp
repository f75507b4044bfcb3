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

#include <cmath>

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

// A catchment shared as the window's model shares it: with the GEOS context
// its geometries belong to, which lives as long as any share of it.
std::shared_ptr<const thiessen::Catchment> Share(const char* gauges, const char* boundary,
                                                 const char* basinField = "")
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

// What a loader reported: its signals but progress, as "signal revision";
// the percentages and their revisions; the last series and message.
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

// Lets every read end, with what it reports still queued: the reads run on
// a pool the application owns.
void LetReadsEnd()
{
    qApp->findChild<QThreadPool*>("rainfall::SeriesLoader")->waitForDone();
}

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

} // namespace

class TestThiessenModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void replacedReadIsNeverReported();
    void cancelledOrDestroyedReadIsNeverReported();
    void abandonedReadStopsReading();
    void progressRisesWithinZeroToHundred();
    void failureNamesTheFileAndLine();
    void subBasinsAsTheCommandComputesThem();
    void droppedFilesSorted();

private:
    std::string Lattice() const { return folder_.filePath("lattice.csv").toStdString(); }

    QTemporaryDir folder_;
    const std::string square_ = (Data + "square-series.csv").toStdString();
    std::shared_ptr<const thiessen::Catchment> lattice_, squareGauges_;
};

void TestThiessenModel::initTestCase()
{
    // A wide series of 6000 steps, some 1.7 MB, for the 56 gauges of
    // triangle-gauges.csv: each step's values are its number modulo 100, and
    // at odd steps every seventh is -9999.
    QByteArray text = "time";
    for (int gauge = 0; gauge < 56; ++gauge)
        text += ",G" + QByteArray::number(gauge / 7 * 10 + gauge % 7).rightJustified(2, '0');
    for (int step = 0; step < 6000; ++step) {
        text += "\n2026-01-01 " + QByteArray::number(step);
        for (int gauge = 0; gauge < 56; ++gauge)
            text += step % 2 && (step + gauge) % 7 == 0 ? ",-9999"
                                                        : "," + QByteArray::number(step % 100);
    }
    Write(folder_.filePath("lattice.csv"), text + "\n");
    lattice_ = Share("triangle-gauges.csv", "triangle.shp");
    squareGauges_ = Share("square-gauges.csv", "square.wkt");
}

void TestThiessenModel::cleanupTestCase()
{
    // A read left running without its loader, with a share of the
    // catchment: the application's end waits for it.
    SeriesLoader(this).Start(lattice_, Lattice(), 1);
}

void TestThiessenModel::replacedReadIsNeverReported()
{
    // The first read ends just as another starts, for a catchment of fewer
    // gauges: its result is on its way, and must not arrive.
    SeriesLoader loader;
    Reports reports(loader);
    loader.Start(lattice_, Lattice(), 1);
    LetReadsEnd();
    loader.Start(squareGauges_, square_, 2);
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 2"});
    QVERIFY(!loader.Running());
    QCOMPARE(reports.progressRevisions, QSet<int>{2});
    // As `thiessen series --missing -9999` has it; the values in the gauges
    // file's order, SW first and NE last.
    const Series& series = *reports.series;
    QCOMPARE(series.basins, 1u);
    QCOMPARE(series.Size(), 4u);
    QCOMPARE(*series.Step(1).rainfall, 8.5);
    QVERIFY(!series.Step(2).rainfall);
    QCOMPARE(series.Step(3).reporting, 3u);
    QVERIFY(!series.HasGaps(0) && series.HasGaps(3));
    QCOMPARE(series.Values(0)[0], 4.0f);
    QVERIFY(std::isnan(series.Values(3)[3]));

    // Started again and again, each replaced before it ends.
    for (int revision = 3; revision <= 6; ++revision)
        loader.Start(lattice_, Lattice(), revision);
    Deliver();
    QCOMPARE(reports.events, (QStringList{"loaded 2", "loaded 6"}));
}

void TestThiessenModel::cancelledOrDestroyedReadIsNeverReported()
{
    auto loader = std::make_unique<SeriesLoader>();
    Reports reports(*loader);
    loader->Cancel(); // nothing to cancel: no signal
    // Cancelled with its result queued, and before its thread has started.
    loader->Start(squareGauges_, square_, 7);
    LetReadsEnd();
    loader->Cancel();
    QVERIFY(!loader->Running());
    loader->Start(lattice_, Lattice(), 8);
    loader->Cancel();
    Deliver();
    QCOMPARE(reports.events, (QStringList{"cancelled 7", "cancelled 8"}));
    QVERIFY(reports.percents.empty());
    // Destroyed with its result queued, and while its read runs with the
    // last share of its catchment.
    loader->Start(squareGauges_, square_, 9);
    LetReadsEnd();
    loader = std::make_unique<SeriesLoader>();
    loader->Start(Share("triangle-gauges.csv", "triangle.shp"), Lattice(), 10);
    loader.reset();
    Deliver();
}

void TestThiessenModel::abandonedReadStopsReading()
{
#ifndef Q_OS_UNIX
    QSKIP("The series is fed through a named pipe");
#else
    // The series comes through a pipe, up to 16 MB of it: a read that stops
    // closes the pipe, and the writing is cut off long before.
    std::signal(SIGPIPE, SIG_IGN);
    for (const QString how : {"cancelled", "replaced", "destroyed"}) {
        const QByteArray pipe = QFile::encodeName(folder_.filePath("pipe-" + how));
        QVERIFY(mkfifo(pipe.constData(), 0600) == 0);
        qsizetype written = 0;
        std::thread writer([&] {
            const int file = open(pipe.constData(), O_WRONLY); // once the reader opens it
            QByteArray text = "time,NE,NW,SE,SW\n";
            while (written < 16 << 20 && write(file, text.data(), text.size()) == text.size()) {
                written += text.size();
                text = QByteArray("2026-06-01 00:00,1,2,3,4\n").repeated(2000);
            }
            close(file);
        });
        auto loader = std::make_unique<SeriesLoader>();
        loader->Start(squareGauges_, pipe.toStdString(), 1);
        if (how == "cancelled")
            loader->Cancel();
        else if (how == "replaced")
            loader->Start(squareGauges_, square_, 2);
        else
            loader.reset();
        writer.join();
        Deliver();
        QVERIFY2(written < 16 << 20, qPrintable(how));
    }
#endif
}

void TestThiessenModel::progressRisesWithinZeroToHundred()
{
    SeriesLoader loader;
    Reports reports(loader);
    loader.Start(lattice_, Lattice(), 3);
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 3"});
    QCOMPARE(reports.progressRevisions, QSet<int>{3});
    // A block of the file at a time, each report higher than the last.
    QVERIFY(reports.percents.size() >= 5);
    QCOMPARE(reports.percents.back(), 100);
    QVERIFY(std::adjacent_find(reports.percents.begin(), reports.percents.end(),
                               std::greater_equal<int>()) == reports.percents.end());
    const Series& series = *reports.series;
    QCOMPARE(series.Size(), 6000u);
    QCOMPARE(series.times[5999], "2026-01-01 5999");
    QCOMPARE(series.Values(5999)[1], 99.0f);
    QCOMPARE(series.Step(5999).reporting, 48u);
    QCOMPARE(*series.Step(5999).rainfall, 99.0);
}

void TestThiessenModel::failureNamesTheFileAndLine()
{
    SeriesLoader loader;
    Reports reports(loader);
    // Its third line has a T, which this reader takes for no number.
    loader.Start(lattice_, (Data + "triangle-series.csv").toStdString(), 4);
    Deliver();
    QVERIFY2(reports.message.contains("triangle-series.csv, line 3, column 3"),
             qPrintable(reports.message));
    loader.Start(lattice_, folder_.filePath("absent.csv").toStdString(), 5);
    Deliver();
    QVERIFY2(reports.message.startsWith(folder_.filePath("absent.csv") + ": "),
             qPrintable(reports.message));
    QCOMPARE(reports.events, (QStringList{"failed 4", "failed 5"}));
    QVERIFY(!loader.Running());
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
    const auto districts = Share("triangle-gauges.csv", "triangle.shp", "NAME");
    loader.Start(districts, path.toStdString(), 9);
    Deliver();
    QCOMPARE(reports.events, QStringList{"loaded 9"});
    const Series& series = *reports.series;
    QCOMPARE(series.basins, 8u);
    QCOMPARE(series.Size(), 3u);
    QCOMPARE(series.times[2], "2026-07-03");
    const double expected[3][8] = {
        // whole, Granville, Franklin, Orange, Durham, Wake, Chatham, Johnston
        {3.0670503248453787, 6.699330455430003, 0.5826259841864606, 1.5858540700770922,
         8.497520137822438, 4.910781886488032, 0.9335084268728543, 0.7406032629423146},
        {3.3181746971139, 6.699330455430003, 0.5434839890611354, 1.5934157868425922,
         8.476792808223097, 6.110099631478375, 0.9541669309469423, 0.7646022826476448},
        {2.944694208785959, 3.6176145776908597, 0.5434839890611354, 1.5898427336531447,
         8.455959983659787, 6.37018121368925, 0.9335084268728543, 0.7291695541025913}};
    const std::size_t reporting[3] = {32, 33, 32};
    for (std::size_t step = 0; step < 3; ++step)
        for (std::size_t basin = 0; basin < 8; ++basin) {
            QCOMPARE(series.Step(step, basin).reporting, reporting[step]);
            QVERIFY(std::abs(*series.Step(step, basin).rainfall - expected[step][basin]) < 1e-12);
        }
    QCOMPARE(series.Values(1)[10], 12.7f); // G13

    // A step's gaps are its own, whatever the number of basins.
    loader.Start(districts, Lattice(), 10);
    Deliver();
    QCOMPARE(reports.events.last(), "loaded 10");
    QVERIFY(!reports.series->HasGaps(0) && reports.series->HasGaps(1));
}

void TestThiessenModel::droppedFilesSorted()
{
    const QDir drop(folder_.filePath("drop"));
    QVERIFY(drop.mkpath("."));
    const auto copy = [&](const QString& from, const QString& to) {
        QVERIFY(QFile::copy(Data + from, drop.filePath(to)));
    };
    for (const QString extension : {"shp", "dbf", "shx"}) {
        copy("triangle." + extension, "triangle." + extension);
        copy("triangle." + extension, "districts.v2." + extension);
        copy("triangle." + extension, "BASIN." + extension.toUpper());
    }
    copy("wake-feet.prj", "triangle.prj");
    copy("triangle.dbf", "orphan.dbf");
    copy("wake-gauges.gpkg", "WAKE-GAUGES.GPKG");
    copy("square.wkt", "SQUARE.WKT");
    Write(drop.filePath("triangle.cpg"), "UTF-8");
    Write(drop.filePath("elevations.csv"), "id,x,y,elevation\nA,1,2,30\nB,3,4,40\n");
    Write(drop.filePath("semicolons.csv"), "id;x;y\nA;1,5;2\nB;3;4,5\n");
    Write(drop.filePath("STATIONS.TXT"), "station,longitude,latitude\nA,1,2\n");
    Write(drop.filePath("RAIN.TXT"), "time,A,B\n2026-01-01,1,2\n");
    Write(drop.filePath("long.csv"), "station,date,lat,lon,prcp\nA,2026-01-01,35.8,-78.6,1\n");
    // The files dropped, sorted: "gauges | boundary | series".
    const auto sorted = [&](const QStringList& names) {
        QStringList paths;
        for (const QString& name : names)
            paths << drop.filePath(name);
        const DroppedFiles files = SortDropped(paths);
        return QStringList{files.gauges, files.boundary, files.series}.join(" | ").replace(
            drop.path(), "drop");
    };
    QCOMPARE(sorted({"elevations.csv", "long.csv"}), "drop/elevations.csv |  | drop/long.csv");
    QCOMPARE(sorted({"semicolons.csv"}), "drop/semicolons.csv |  | ");
    QCOMPARE(sorted({"RAIN.TXT", "triangle.dbf", "triangle.shp", "triangle.shx", "triangle.prj",
                     "triangle.cpg"}),
             " | drop/triangle.shp | drop/RAIN.TXT");
    QCOMPARE(sorted({"triangle.dbf"}), " | drop/triangle.shp | ");
    QCOMPARE(sorted({"orphan.dbf"}), " |  | ");
    QCOMPARE(sorted({"districts.v2.dbf"}), " | drop/districts.v2.shp | ");
    QCOMPARE(sorted({"BASIN.DBF"}), " | drop/BASIN.SHP | ");
    QCOMPARE(sorted({"BASIN.SHX", "BASIN.SHP", "STATIONS.TXT"}),
             "drop/STATIONS.TXT | drop/BASIN.SHP | ");
    QCOMPARE(sorted({"WAKE-GAUGES.GPKG", "SQUARE.WKT"}),
             "drop/WAKE-GAUGES.GPKG | drop/SQUARE.WKT | ");
}

QTEST_GUILESS_MAIN(TestThiessenModel)
#include "tst_thiessenmodel.moc"
