// The running sums, their evaluation, the display form of numbers and the
// reading of entry text.
#include "errors/runtime_error.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"

#include <QTest>

#include <cfloat>
#include <clocale>
#include <cstring>

using namespace rainfall;

namespace {

struct Pair {
    float P;
    float A;
};
using Pairs = QList<Pair>;

// The sums after the pairs, taken in turn until there are `count`, and the
// error an AddPair of them raised, if any.
QString Add(RainfallSums& sums, const Pairs& pairs, int count)
{
    try {
        for (int i = 0; i < count; ++i)
            AddPair(sums, pairs[i % pairs.size()].P, pairs[i % pairs.size()].A);
        return "";
    } catch (const RuntimeError& error) {
        return ErrorName(error.ErrorKind());
    }
}

// Every bit: a refused pair leaves the sums exactly as they were, and New
// Sequence starts from +0, not -0.
QString Bits(const RainfallSums& sums)
{
    QString bits = QString::number(sums.ValueCount);
    for (float sum : {sums.SumP, sums.SumP2, sums.SumPA, sums.SumA}) {
        quint32 word;
        std::memcpy(&word, &sum, sizeof word);
        bits += " " + QString::number(word, 16);
    }
    return bits;
}

} // namespace

Q_DECLARE_METATYPE(RainfallSums)

class TestStats : public QObject {
    Q_OBJECT

private slots:
    void addPair_data();
    void addPair();
    void evaluate_data();
    void evaluate();
    void strText_data();
    void strText();
    void parseValue_data();
    void parseValue();
    void numberTextIgnoresLocale();
};

void TestStats::addPair_data()
{
    QTest::addColumn<RainfallSums>("before");
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<RainfallSums>("after");
    QTest::addColumn<QString>("error");
    const RainfallSums fresh{0, 0, 0, 0, 0}, some{2, 6, 20, 140, 40};

    QTest::newRow("two pairs") << fresh << Pairs{{2, 10}, {4, 30}} << some << "";
    QTest::newRow("zero pair counts")
        << fresh << Pairs{{0, 0}} << RainfallSums{1, 0, 0, 0, 0} << "";
    QTest::newRow("negative values")
        << fresh << Pairs{{-1.5f, 2}} << RainfallSums{1, -1.5f, 2.25f, -3, 2} << "";
    // Rounded to single at every step: the single nearest 0.3, not 0.3.
    QTest::newRow("three times 0.1") << fresh << Pairs{{0.1f, 1}, {0.1f, 1}, {0.1f, 1}}
                                     << RainfallSums{3, 0.3f, 0.0300000012f, 0.3f, 3} << "";
    QTest::newRow("square of P beyond single") << some << Pairs{{1e20f, 1}} << some << "Overflow";
    QTest::newRow("P times A beyond single") << some << Pairs{{1e19f, 1e20f}} << some << "Overflow";
    const RainfallSums largeP{1, FLT_MAX, 0, 0, 0}, largeA{1, 0, 0, 0, -FLT_MAX};
    QTest::newRow("sum of P beyond single")
        << largeP << Pairs{{FLT_MAX, 0}} << largeP << "Overflow";
    QTest::newRow("sum of A beyond single")
        << largeA << Pairs{{0, -FLT_MAX}} << largeA << "Overflow";
    const RainfallSums full{32767, 1, 1, 1, 1};
    QTest::newRow("count already full") << full << Pairs{{1, 1}} << full << "Overflow";
}

void TestStats::addPair()
{
    QFETCH(RainfallSums, before);
    QFETCH(Pairs, pairs);
    QFETCH(RainfallSums, after);
    QFETCH(QString, error);
    RainfallSums sums = before;
    QCOMPARE(Add(sums, pairs, int(pairs.size())), error);
    QCOMPARE(Bits(sums), Bits(after));
    ResetSums(sums);
    QCOMPARE(Bits(sums), "0 0 0 0 0");
}

// Mean, standard deviation, weighted mean (-1: none) and sum of areas.
void TestStats::evaluate_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<int>("count"); // values, taken from the pairs in turn
    QTest::addColumn<QList<float>>("results");

    QTest::newRow("two gauges") << Pairs{{2, 10}, {4, 30}} << 2
                                << QList<float>{3, 1.41421354f, 3.5f, 40};
    QTest::newRow("three gauges") << Pairs{{10, 1}, {20, 1}, {30, 2}} << 3
                                  << QList<float>{20, 10, 22.5f, 4};
    QTest::newRow("negative mean")
        << Pairs{{-1, 1}, {0, 1}} << 2 << QList<float>{-0.5f, 0.707106769f, -0.5f, 2};
    // n(n - 1) leaves the 16-bit range from 182 values on.
    const Pairs oneAndThree{{1, 1}, {3, 1}};
    QTest::newRow("181 values") << oneAndThree << 181
                                << QList<float>{1.99447513f, 1.00275862f, 1.99447513f, 181};
    QTest::newRow("182 values") << oneAndThree << 182 << QList<float>{2, 1.00275862f, 2, 182};
    QTest::newRow("32767 values") << oneAndThree << 32767
                                  << QList<float>{1.99996948f, 1.00001526f, 1.99996948f, 32767};
    // Rounding makes n * sum(P^2) - sum(P)^2 slightly negative.
    QTest::newRow("equal values") << Pairs{{0.1f, 1}} << 3 << QList<float>{0.1f, 0, 0.1f, 3};
    QTest::newRow("areas cancel out")
        << Pairs{{5, 2}, {7, -2}} << 2 << QList<float>{6, 1.41421354f, -1, 0};
    QTest::newRow("weighted mean beyond single")
        << Pairs{{1e19f, 1e19f}, {0, -1e19f}, {0, 1e-3f}} << 3
        << QList<float>{3.33333338e18f, 5.77350278e18f, -1, 1e-3f};
    QTest::newRow("one value is too few") << Pairs{{1, 1}} << 1 << QList<float>{};
}

void TestStats::evaluate()
{
    QFETCH(Pairs, pairs);
    QFETCH(int, count);
    QFETCH(QList<float>, results);
    RainfallSums sums;
    QCOMPARE(Add(sums, pairs, count), "");
    try {
        const Statistics result = Evaluate(sums);
        QCOMPARE((QList<float>{result.mean, result.stdDev, result.weightedMean.value_or(-1),
                               result.sumOfAreas}),
                 results);
    } catch (const RuntimeError& error) {
        QCOMPARE(ErrorName(error.ErrorKind()), "Invalid argument");
        QVERIFY(results.isEmpty());
    }
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
    row("3", " 3");
    row("-2.5", "-2.5");
    row("0.25", " .25");
    row("-0.5", "-.5");
    row("1.41421354", " 1.414214");
    row("0.707106769", " .7071068");
    row("-0", " 0");
    row("9999999", " 9999999");
    row("10000000", " 1E+07");
    row("123456789", " 1.234568E+08");
    row("0.0001", " .0001");
    row("0.00001", " 1E-05");
    row("-1.5e-6", "-1.5E-06");
    row("3.4028234e38", " 3.402823E+38");
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
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("minus alone") << "-" << 0.0;
    QTest::newRow("plus is no number") << "+5" << 0.0;
    QTest::newRow("no hexadecimal") << "&H10" << 0.0;
    QTest::newRow("lower-case negative exponent") << "2e-2" << 0.02;
    QTest::newRow("exponent sign alone") << "4E-" << 4.0;
    QTest::newRow("second exponent stops") << "1E2E3" << 100.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("below double range") << "1E-400" << 0.0;
    QTest::newRow("below double range, no exponent") << "." + QString(323, '0') + "1" << 0.0;
    QTest::newRow("below, huge exponent") << "-5E-99999999999999999999" << 0.0;
    QTest::newRow("beyond double range") << "1E400" << overflow;
    QTest::newRow("beyond, negative exponent") << "1" + QString(309, '0') + "e-0" << overflow;
    QTest::newRow("beyond, exponent -50") << "2" + QString(400, '0') + "e-50" << overflow;
    QTest::newRow("beyond, leading zeros") << "000" + QString(310, '9') << overflow;
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
