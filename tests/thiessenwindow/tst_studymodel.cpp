// The open study without widgets: files taken as a whole or not at all, the
// areas of geographic gauges in km², and a series of sub-basins exported as
// the command writes it.
#include "thiessenwindow/model/gauge_table_model.h"
#include "thiessenwindow/model/study_model.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace rainfall;

namespace {

const std::string Data = THIESSEN_TEST_DATA "/";

// The path of a file written with the text.
std::string Written(const QTemporaryDir& folder, const char* name, const char* text)
{
    QFile file(folder.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return folder.filePath(name).toStdString();
}

} // namespace

class TestStudyModel : public QObject {
    Q_OBJECT

private slots:
    void filesTakenWhole();
    void seriesOfSubBasins();
};

// A file that cannot be read leaves the study as it was, whichever file it
// is and in whichever order they come; a boundary alone is checked too.
void TestStudyModel::filesTakenWhole()
{
    QTemporaryDir folder;
    const std::string bad = Written(folder, "bad.csv", "id,x,y\nA,1,2\nB,3,north\n");
    StudyModel study;
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             study.Open({{}, Data + "triangle.shp", {}, "NO_SUCH_FIELD"}));
    study.Open({{}, Data + "wake-feet.zip", {}, {}});
    study.Open({Data + "wake-gauges.csv", Data + "wake-feet.zip", {}, {}});
    const int revision = study.Revision();
    QVERIFY_THROWS_EXCEPTION(std::exception, study.Open({bad, Data + "wake-feet.zip", {}, {}}));
    QCOMPARE(study.Revision(), revision);
    QCOMPARE(*study.Files().gauges, Data + "wake-gauges.csv");
    // Longitude and latitude against US feet, on an equal-area map: km².
    QCOMPARE(study.AreaUnit(), QString::fromUtf8("km\u00b2"));
    QCOMPARE(study.Row(1).id, "RAL");
    QCOMPARE(study.Row(1).area, "202.81288");
    QCOMPARE(study.Row(1).weight, "0.0924");
    QCOMPARE(study.SystemNames(), "Boundary in NAD83 / North Carolina (ftUS); gauges in WGS 84.");
}

// By county: the whole catchment's series is the command's with --by NAME,
// byte for byte, and a county's series, step and pairs follow the choice.
// Typed rainfall stays with its gauges when a boundary comes, and cannot be
// typed over a step of the series.
void TestStudyModel::seriesOfSubBasins()
{
    QTemporaryDir folder;
    const std::string series = Written(folder, "series.csv",
                                       "station,date,prcp\nG53,2026-07-01,10\nG54,2026-07-01,20\n"
                                       "G44,2026-07-01,4\nG53,2026-07-02,5\nG44,2026-07-02,NA\n"
                                       "G54,2026-07-02,1\n");
    StudyModel study;
    GaugeTableModel table(study);
    study.Open({Data + "triangle-gauges.csv", {}, {}, {}});
    study.SetTypedRainfall(38, "7");
    QVERIFY(study.HasUnsavedRainfall());
    study.Open({Data + "triangle-gauges.csv", Data + "triangle.shp", {}, "NAME"});
    QCOMPARE(study.Row(38).rainfall, "7");
    QSignalSpy changed(&study, &StudyModel::seriesChanged);
    study.OpenSeries(series);
    QTRY_VERIFY(study.CurrentSeries());
    QCOMPARE(study.SeriesCsv(),
             "time,Granville,Franklin,Orange,Durham,Wake,Chatham,Johnston\n"
             "2026-07-01,15.178593125721392,15.206793364832208,10,9.573055276626075,"
             "4.174717647456832,8.790022312763451,4\n"
             "2026-07-02,2.912810593193045,1,5,5,2.855811618917247,5,1.0071222279108984\n");
    QCOMPARE(study.Notes().last(),
             "series.csv: 53 of the 56 gauges have no value at any step (G00, G01, G02, G03, G04, "
             "G05, G06, G10, G11, G12 and 43 more); they count as missing at every step");
    study.ChooseBasin(1);
    QCOMPARE(study.SeriesCsv(), "time,rainfall,gauges\n2026-07-01,15.178593125721392,3\n"
                                "2026-07-02,2.912810593193045,2\n");
    study.ChooseStep(1);
    study.SetTypedRainfall(38, "1");
    QVERIFY(!(table.flags(table.index(38, GaugeTableModel::Rainfall)) & Qt::ItemIsEditable));
    QVERIFY(study.StepText().startsWith(
        "Step 2 of 2, 2026-07-02: Granville rainfall 2.912810593193045; missing: G00, "));
    QCOMPARE(study.Row(38).rainfall, "5"); // G53
    QCOMPARE(study.Row(32).area, "0");     // G44 missing: its share went to its neighbours
    // Only G53 (5) and G54 (1) reported in Granville: 5 × 0.4782 + 1 × 0.5218 = 2.9128.
    QCOMPARE(study.Row(38).weight, "0.4782");
    QCOMPARE(study.Row(39).weight, "0.5218");
    QCOMPARE(study.Pairs().size(), 2u);
    QVERIFY(study.Results().canHandOver);
    study.Open({Data + "triangle-gauges.csv", Data + "triangle.shp", {}, {}});
    QVERIFY(!study.CurrentSeries());
    QCOMPARE(study.Row(38).rainfall, "7"); // as typed before the series
    study.OpenSeries(series);
    QTRY_VERIFY(study.CurrentSeries());
    QCOMPARE(study.SeriesCsv(), "time,rainfall,gauges\n2026-07-01,8.701565676615626,3\n"
                                "2026-07-02,3.0081661564225644,2\n");
}

QTEST_GUILESS_MAIN(TestStudyModel)
#include "tst_studymodel.moc"
