// The running sums, their evaluation, the display form of numbers and the
// reading of entry text.
#include "errors/runtime_error.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"

#include <QTest>

#include <clocale>

using namespace rainfall;

namespace {

struct Pair {
    float P;
    float A;
};
using Pairs = QList<Pair>;

} // namespace

class TestStats : public QObject {
    Q_OBJECT

private slots:
    void evaluate_data();
    void evaluate();
    void strText_data();
    void strText();
    void parseValue_data();
    void parseValue();
    void numberTextIgnoresLocale();
};

// The statistics of the pairs, each added in turn: mean, standard deviation,
// weighted mean (-1: none) and sum of areas; and the error of a pair that was
// refused, which leaves the sums as they were, or of the evaluation.
void TestStats::evaluate_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<QList<float>>("results");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, const Pairs& pairs, const QList<float>& results,
                        const char* error = "") {
        QTest::newRow(name) << pairs << results << QString(error);
    };
    row("two gauges", {{2, 10}, {4, 30}}, {3, 1.41421354f, 3.5f, 40});
    row("three gauges", {{10, 1}, {20, 1}, {30, 2}}, {20, 10, 22.5f, 4});
    row("negative mean", {{-1, 1}, {0, 1}}, {-0.5f, 0.707106769f, -0.5f, 2});
    // Rounding makes n * sum(P^2) - sum(P)^2 slightly negative.
    row("equal values", {{0.1f, 1}, {0.1f, 1}, {0.1f, 1}}, {0.1f, 0, 0.1f, 3});
    row("areas cancel out", {{5, 2}, {7, -2}}, {6, 1.41421354f, -1, 0});
    row("weighted mean beyond single", {{1e19f, 1e19f}, {0, -1e19f}, {0, 1e-3f}},
        {3.33333338e18f, 5.77350278e18f, -1, 1e-3f});
    row("square of P beyond single", {{2, 10}, {1e20f, 1}, {4, 30}}, {3, 1.41421354f, 3.5f, 40},
        "Overflow");
    row("P times A beyond single", {{2, 10}, {4, 30}, {1e19f, 1e20f}}, {3, 1.41421354f, 3.5f, 40},
        "Overflow");
    row("more than 32767 values", Pairs(32768, {1, 1}), {1, 0, 1, 32767}, "Overflow");
    row("one value is too few", {{1, 1}}, {}, "Invalid argument");
}

void TestStats::evaluate()
{
    QFETCH(Pairs, pairs);
    QFETCH(QList<float>, results);
    QFETCH(QString, error);
    RainfallSums sums;
    QString raised;
    try {
        for (const Pair& pair : pairs)
            try {
                AddPair(sums, pair.P, pair.A);
            } catch (const RuntimeError& refused) {
                raised = ErrorName(refused.ErrorKind());
            }
        const Statistics result = Evaluate(sums);
        QCOMPARE((QList<float>{result.mean, result.stdDev, result.weightedMean.value_or(-1),
                               result.sumOfAreas}),
                 results);
    } catch (const RuntimeError& failed) {
        raised = ErrorName(failed.ErrorKind());
    }
    QCOMPARE(raised, error);
}

// A 16-bit integer where the value is given as "int:".
void TestStats::strText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* value, const char* text) {
        QTest::newRow(value) << QString(value) << QString(text);
    };
    row("int:0", " 0");
    row("int:-32768", "-32768");
    row("0.25", " .25");
    row("-0.5", "-.5");
    row("1.41421354", " 1.414214");
    row("-0", " 0");
    row("9999999", " 9999999");
    row("10000000", " 1E+07");
    row("0.0001", " .0001");
    row("0.00001", " 1E-05");
}

// What is shown reads back as the value, where its digits are all shown.
void TestStats::strText()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    const std::string shown = value.startsWith("int:") ? StrText(std::int16_t(value.mid(4).toInt()))
                                                       : StrText(value.toFloat());
    QCOMPARE(QString::fromStdString(shown), text);
    if (text.size() <= 8)
        QCOMPARE(float(ParseValue(shown)), value.remove("int:").toFloat());
}

void TestStats::parseValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // NaN: an Overflow error
    const double overflow = qQNaN();

    QTest::newRow("blanks anywhere") << " 1 2\t\n" << 12.0;
    QTest::newRow("second point stops") << "3.2.1" << 3.2;
    QTest::newRow("minus after digit stops") << "5-" << 5.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("plus is no number") << "+5" << 0.0;
    QTest::newRow("exponent sign alone") << "4E-" << 4.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("below double range") << "1E-400" << 0.0;
    QTest::newRow("beyond double range") << "1E400" << overflow;
    QTest::newRow("beyond, exponent -50") << "2" + QString(400, '0') + "e-50" << overflow;
}

void TestStats::parseValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    try {
        QCOMPARE(ParseValue(text.toStdString()), value);
    } catch (const RuntimeError& error) {
        QCOMPARE(ErrorName(error.ErrorKind()), "Overflow");
        QVERIFY(qIsNaN(value));
    }
}

// A desktop session may run in a locale whose decimal separator is a comma.
void TestStats::numberTextIgnoresLocale()
{
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") &&
        !std::setlocale(LC_NUMERIC, "German_Germany.1252")) // as Windows names it
        QSKIP("no locale with a decimal comma is installed");
    const std::string shown = StrText(2.5f);
    const double read = ParseValue("2.5");
    std::setlocale(LC_NUMERIC, "C");
    QCOMPARE(shown, " 2.5");
    QCOMPARE(read, 2.5);
}

QTEST_APPLESS_MAIN(TestStats)
#include "tst_stats.moc"
