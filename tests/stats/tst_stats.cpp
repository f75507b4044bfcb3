// The running sums, their evaluation, the display form of numbers and the
// reading of entry text. The main window's tests show the ordinary figures;
// these are the edges a window session does not reach.
#include "errors/runtime_error.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"

#include <QTest>

using namespace rainfall;

using Pairs = QList<std::pair<float, float>>; // precipitation, area

class TestStats : public QObject {
    Q_OBJECT

private slots:
    void evaluate_data();
    void evaluate();
    void strText_data();
    void strText();
    void parseValue();
};

// The statistics of the pairs, each added in turn: mean, standard deviation,
// weighted mean and sum of areas; and the error of a pair that was refused,
// which leaves the sums as they were.
void TestStats::evaluate_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<QList<float>>("results");
    QTest::addColumn<QString>("refused");
    QTest::newRow("two gauges") << Pairs{{2, 10}, {4, 30}} << QList<float>{3, 1.41421354f, 3.5f, 40}
                                << "";
    // Rounding makes n * sum(P^2) - sum(P)^2 slightly negative.
    QTest::newRow("equal values") << Pairs{{0.1f, 1}, {0.1f, 1}, {0.1f, 1}}
                                  << QList<float>{0.1f, 0, 0.1f, 3} << "";
    QTest::newRow("P times A beyond single")
        << Pairs{{2, 10}, {4, 30}, {1e19f, 1e20f}} << QList<float>{3, 1.41421354f, 3.5f, 40}
        << "Overflow";
    // The sums of areas cancel to the least single above zero: the weighted
    // mean is beyond the single range, so there is none.
    QTest::newRow("weighted mean beyond single")
        << Pairs{{1e19f, 1e19f}, {0, -1e19f}, {0, 1e-45f}}
        << QList<float>{3.33333333e18f, 5.77350257e18f, -1, 1e-45f} << "";
    QTest::newRow("more than 32767 values")
        << Pairs(32768, {1, 1}) << QList<float>{1, 0, 1, 32767} << "Overflow";
}

void TestStats::evaluate()
{
    QFETCH(Pairs, pairs);
    QFETCH(QList<float>, results);
    QFETCH(QString, refused);
    RainfallSums sums;
    QString raised;
    for (const auto& [P, A] : pairs)
        try {
            AddPair(sums, P, A);
        } catch (const RuntimeError& error) {
            raised = ErrorName(error.ErrorKind());
        }
    const Statistics result = Evaluate(sums);
    QCOMPARE((QList<float>{result.mean, result.stdDev, result.weightedMean.value_or(-1),
                           result.sumOfAreas}),
             results);
    QCOMPARE(raised, refused);
}

void TestStats::strText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative, below 1") << -0.5f << "-.5";
    QTest::newRow("negative zero") << -0.0f << " 0";
    QTest::newRow("eight digits") << 1e7f << " 1E+07";
}

// What is shown reads back as the value.
void TestStats::strText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    const std::string shown = StrText(value);
    QCOMPARE(QString::fromStdString(shown), text);
    QCOMPARE(float(ParseValue(shown)), value);
}

// Blanks, a pasted tab or line feed too, never end a number; the exponent
// letter is either case. Beyond the double range, a number too small reads as
// zero, one too large is an error, with or without an exponent.
void TestStats::parseValue()
{
    QCOMPARE(ParseValue("\t1 \n2"), 12.0);
    QCOMPARE(ParseValue("-2.5e-1"), -0.25);
    QCOMPARE(ParseValue("1E-400"), 0.0);
    QCOMPARE(ParseValue("." + std::string(400, '0') + "1"), 0.0);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, ParseValue("1E400"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, ParseValue("1" + std::string(400, '0')));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, ParseValue("1E99999999999999999999"));
}

QTEST_APPLESS_MAIN(TestStats)
#include "tst_stats.moc"
