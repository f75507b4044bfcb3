// The commands of the main window, driven by keys and clicks: Accept by Enter,
// Compute, New Sequence, the message boxes, and pairs or results the program
// cannot hold.
#include "window_session.h"

#include <QTest>

using namespace rainfall::testing;

namespace {

const QString BlankMarker = " ";

} // namespace

class TestWCommands : public QObject {
    Q_OBJECT

private slots:
    void acceptByEnterThenCompute_data();
    void acceptByEnterThenCompute();
    void fieldWithoutValue_data();
    void fieldWithoutValue();
    void blankMarkerLeftByAccept();
    void computeBeepsWithFewerThanTwoValues_data();
    void computeBeepsWithFewerThanTwoValues();
    void newSequenceStartsAfresh();
    void refusedPairLeavesSumsAsTheyWere_data();
    void refusedPairLeavesSumsAsTheyWere();
    void countLimitRefusesPair();
    void weightedMeanThatCannotBeFormed_data();
    void weightedMeanThatCannotBeFormed();
};

void TestWCommands::acceptByEnterThenCompute_data()
{
    QTest::addColumn<std::vector<Pair>>("pairs");
    QTest::addColumn<QStringList>("results");

    QTest::newRow("two gauges") << std::vector<Pair>{{"2", "10"}, {"4", "30"}}
                                << QStringList{" 2", " 3", " 1.414214", " 3.5", " 40"};
    QTest::newRow("three gauges") << std::vector<Pair>{{"10", "1"}, {"20", "1"}, {"30", "2"}}
                                  << QStringList{" 3", " 20", " 10", " 22.5", " 4"};
    QTest::newRow("negative mean") << std::vector<Pair>{{"-1", "1"}, {"0", "1"}}
                                   << QStringList{" 2", "-.5", " .7071068", "-.5", " 2"};
    QTest::newRow("odd entries read by their leading number")
        << std::vector<Pair>{{"3.2.1", "2"}, {".", "2"}, {"-.5", "4-"}}
        << QStringList{" 3", " .9", " 2.007486", " .55", " 8"};
}

void TestWCommands::acceptByEnterThenCompute()
{
    QFETCH(std::vector<Pair>, pairs);
    QFETCH(QStringList, results);
    WindowSession session;
    QVERIFY(session.active);

    for (std::size_t i = 0; i < pairs.size(); ++i) {
        session.Enter(pairs[i].P);
        session.Press(Qt::Key_Enter); // the keypad's Enter acts as Return
        QCOMPARE(session.Focus(), "txtinput2");
        QCOMPARE(session.Label("lblNumber")->text(), i == 0 ? "" : QString(" %1").arg(i));
        session.Enter(pairs[i].A);
        session.Press(Qt::Key_Return);
        QCOMPARE(session.Label("lblNumber")->text(), QString(" %1").arg(i + 1));
        QCOMPARE(session.Focus(), "txtInput1");
        QCOMPARE(session.Field("txtInput1")->text(), BlankMarker);
        QCOMPARE(session.Field("txtinput2")->text(), BlankMarker);
    }
    session.Click("cmdCompute");

    QCOMPARE(session.Results(), results);
    QCOMPARE(session.Focus(), "txtInput1");
    QCOMPARE(session.toolkit.beeps, 0);
    QVERIFY(session.closer.boxes.empty());
}

// An empty field, the state at start and after New Sequence, or one holding
// only blanks, has no value: Accept names the field and adds nothing.
void TestWCommands::fieldWithoutValue_data()
{
    QTest::addColumn<QString>("precipitation");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus");

    const QString precipitationPrompt = " Please Enter the Precipitation Value";
    const QString areaPrompt = " Please Enter value of Area ";
    QTest::newRow("both empty") << ""
                                << "" << precipitationPrompt << " No Value Entered"
                                << "txtInput1";
    QTest::newRow("precipitation blanks") << " \t "
                                          << "5" << precipitationPrompt << " No Value Entered"
                                          << "txtInput1";
    QTest::newRow("area empty") << "7"
                                << "" << areaPrompt << "No Value Entered"
                                << "txtinput2";
    QTest::newRow("area blanks") << "7"
                                 << "   " << areaPrompt << "No Value Entered"
                                 << "txtinput2";
}

void TestWCommands::fieldWithoutValue()
{
    QFETCH(QString, precipitation);
    QFETCH(QString, area);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    WindowSession session;
    QVERIFY(session.active);

    session.Enter(precipitation);
    for (int i = 0; i < 4; ++i) // on to txtinput2
        session.Press(Qt::Key_Tab);
    QCOMPARE(session.Focus(), "txtinput2");
    session.Enter(area);
    session.Click("cmdAccept");

    QCOMPARE(session.closer.boxes.size(), 1u);
    const ShownBox& box = session.closer.boxes.front();
    QCOMPARE(box.text, prompt);
    QCOMPARE(box.title, title);
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.parent, &session.window);
    QCOMPARE(session.Focus(), focus);
    QCOMPARE(session.Label("lblNumber")->text(), "");
    QCOMPARE(session.Field("txtInput1")->text(), precipitation);
    QCOMPARE(session.Field("txtinput2")->text(), area);
}

// The marker Accept leaves behind counts as no value, also when a number is
// typed in front of it into the other field.
void TestWCommands::blankMarkerLeftByAccept()
{
    WindowSession session;
    QVERIFY(session.active);
    session.EnterPair({"5", "5"});

    session.Press(Qt::Key_A, Qt::AltModifier);
    QCOMPARE(session.closer.boxes.size(), 1u);
    QCOMPARE(session.closer.boxes.back().title, " No Value Entered");

    session.Press(Qt::Key_Home);
    session.Type("25");
    QCOMPARE(session.Field("txtInput1")->text(), "25 ");
    session.Press(Qt::Key_A, Qt::AltModifier);
    QCOMPARE(session.closer.boxes.size(), 2u);
    QCOMPARE(session.closer.boxes.back().text, " Please Enter value of Area ");
    QCOMPARE(session.closer.boxes.back().title, "No Value Entered");
    QCOMPARE(session.Focus(), "txtinput2");
    QCOMPARE(session.Label("lblNumber")->text(), " 1");

    session.Type("3");
    session.Press(Qt::Key_Return);
    QCOMPARE(session.Label("lblNumber")->text(), " 2");
}

void TestWCommands::computeBeepsWithFewerThanTwoValues_data()
{
    QTest::addColumn<std::vector<Pair>>("pairs");
    QTest::addColumn<int>("beeps");

    QTest::newRow("none") << std::vector<Pair>{} << 1;
    QTest::newRow("one") << std::vector<Pair>{{"12.5", "100"}} << 1;
    QTest::newRow("two") << std::vector<Pair>{{"12.5", "100"}, {"10", "50"}} << 0;
}

void TestWCommands::computeBeepsWithFewerThanTwoValues()
{
    QFETCH(std::vector<Pair>, pairs);
    QFETCH(int, beeps);
    WindowSession session;
    QVERIFY(session.active);
    for (const Pair& pair : pairs)
        session.EnterPair(pair);

    session.Press(Qt::Key_Tab); // away from the field, so Compute must bring the focus back
    session.Click("cmdCompute");

    QCOMPARE(session.toolkit.beeps, beeps);
    QCOMPARE(session.Label("lblMean")->text().isEmpty(), beeps != 0);
    QCOMPARE(session.Focus(), "txtInput1");
}

void TestWCommands::newSequenceStartsAfresh()
{
    WindowSession session;
    QVERIFY(session.active);
    session.EnterPair({"2", "10"});
    session.EnterPair({"4", "30"});
    session.Click("cmdCompute");
    session.Type("9");

    session.Click("cmdNew");

    QCOMPARE(session.Results(), QStringList(5, ""));
    QCOMPARE(session.Field("txtInput1")->text(), "");
    QCOMPARE(session.Field("txtinput2")->text(), "");
    QCOMPARE(session.Focus(), "txtInput1");

    session.EnterPair({"5", "5"});
    QCOMPARE(session.Label("lblNumber")->text(), " 1");
    session.EnterPair({"7", "15"});
    session.Click("cmdCompute");
    QCOMPARE(session.Results(), (QStringList{" 2", " 6", " 1.414214", " 6.5", " 20"}));
}

// A pair the program cannot hold is refused whole with a box that names the
// problem; the texts stay for correction and the sums go on as if the pair had
// never been typed. The oracle is a second window given only the good pairs.
void TestWCommands::refusedPairLeavesSumsAsTheyWere_data()
{
    QTest::addColumn<std::vector<Pair>>("before");
    QTest::addColumn<Pair>("refused");
    QTest::addColumn<QString>("problem");

    const std::vector<Pair> gauges{{"2", "10"}, {"4", "30"}};
    QTest::newRow("precipitation squared too large")
        << gauges << Pair{"100000000000000000000", "1"} << "squared precipitation";
    QTest::newRow("precipitation beyond single")
        << gauges << Pair{"1E+39", "1"} << "precipitation value";
    QTest::newRow("precipitation beyond double")
        << gauges << Pair{"1E+400", "1"} << "precipitation value";
    QTest::newRow("area beyond single") << gauges << Pair{"1", "1E+39"} << "area";
    QTest::newRow("sum of areas") << std::vector<Pair>{{"2", "10"}, {"0", "3E+38"}}
                                  << Pair{"1", "1E+38"} << "sum of the areas";
}

void TestWCommands::refusedPairLeavesSumsAsTheyWere()
{
    QFETCH(std::vector<Pair>, before);
    QFETCH(Pair, refused);
    QFETCH(QString, problem);
    QStringList expected;
    {
        WindowSession reference;
        QVERIFY(reference.active);
        for (const Pair& pair : before)
            reference.EnterPair(pair);
        reference.Click("cmdCompute");
        expected = reference.Results();
    }
    WindowSession session;
    QVERIFY(session.active);
    for (const Pair& pair : before)
        session.EnterPair(pair);

    session.EnterPair(refused);

    QCOMPARE(session.closer.boxes.size(), 1u);
    const ShownBox& box = session.closer.boxes.front();
    QVERIFY2(box.text.startsWith(' ') && box.text.contains(problem), qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(session.Field("txtInput1")->text().trimmed(), refused.P);
    QCOMPARE(session.Field("txtinput2")->text().trimmed(), refused.A);
    QCOMPARE(session.Focus(), "txtInput1");
    session.Click("cmdCompute");
    QCOMPARE(session.Results(), expected);
}

// The count stops at 32767 (and the statistics still come out right for a
// count that large); a further pair is refused and the count stays.
void TestWCommands::countLimitRefusesPair()
{
    WindowSession session;
    QVERIFY(session.active);
    QLineEdit* precipitation = session.Field("txtInput1");
    QLineEdit* area = session.Field("txtinput2");
    QPushButton* accept = session.Button("cmdAccept");
    for (int i = 0; i < 32767; ++i) {
        precipitation->setText(i % 2 == 0 ? "1" : "3");
        area->setText("2");
        accept->click();
    }
    QCOMPARE(session.Label("lblNumber")->text(), " 32767");
    QVERIFY(session.closer.boxes.empty());

    session.EnterPair({"5", "5"});

    QCOMPARE(session.closer.boxes.size(), 1u);
    QVERIFY2(session.closer.boxes.front().text.contains("32767"),
             qPrintable(session.closer.boxes.front().text));
    session.Click("cmdCompute");
    // 16384 ones and 16383 threes, every area 2.
    QCOMPARE(session.Results(),
             (QStringList{" 32767", " 1.999969", " 1.000015", " 1.999969", " 65534"}));
}

// Without a usable sum of areas the other figures are still shown, the average
// value stays empty and a box says why; work goes on.
void TestWCommands::weightedMeanThatCannotBeFormed_data()
{
    QTest::addColumn<std::vector<Pair>>("pairs");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("reason");

    QTest::newRow("all areas zero")
        << std::vector<Pair>{{"2", "0"}, {"4", "0"}}
        << QStringList{" 2", " 3", " 1.414214", "", " 0"} << "the sum of areas is zero";
    QTest::newRow("areas cancel") << std::vector<Pair>{{"2", "5"}, {"4", "-5"}}
                                  << QStringList{" 2", " 3", " 1.414214", "", " 0"}
                                  << "the sum of areas is zero";
    QTest::newRow("quotient beyond single")
        << std::vector<Pair>{{"1", "3E+38"}, {"0", "-3E+38"}, {"0", ".5"}}
        << QStringList{" 3", " .3333333", " .5773503", "", " .5"} << "out of range";
}

void TestWCommands::weightedMeanThatCannotBeFormed()
{
    QFETCH(std::vector<Pair>, pairs);
    QFETCH(QStringList, results);
    QFETCH(QString, reason);
    WindowSession session;
    QVERIFY(session.active);
    for (const Pair& pair : pairs)
        session.EnterPair(pair);

    session.Press(Qt::Key_C, Qt::AltModifier);

    QCOMPARE(session.Results(), results);
    QCOMPARE(session.closer.boxes.size(), 1u);
    const ShownBox& box = session.closer.boxes.front();
    QVERIFY2(box.text.contains("area-weighted mean cannot be formed") && box.text.contains(reason),
             qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Critical);

    session.EnterPair({"6", "1"});
    session.Press(Qt::Key_C, Qt::AltModifier);
    QCOMPARE(session.Label("lblNumber")->text(), QString(" %1").arg(pairs.size() + 1));
    QVERIFY(!session.Label("lblMean1")->text().isEmpty());
}

QTEST_MAIN(TestWCommands)
#include "tst_mainwindow_commands.moc"
