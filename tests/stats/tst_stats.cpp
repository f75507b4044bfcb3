// The running sums, their evaluation, the display form of numbers and the
// reading of entry text.
#include "stats/evaluation.h"
#include "stats/number_text.h"
#include "stats/runtime_error.h"

#include <QTest>

#include <cfloat>
#include <clocale>
#include <cstring>
#include <vector>

using namespace rainfall;

namespace {

struct Pair {
    float P;
    float A;
};
using Pairs = std::vector<Pair>;

RainfallSums SumsOf(const Pairs& pairs)
{
    RainfallSums sums;
    for (const Pair& pair : pairs)
        AddPair(sums, pair.P, pair.A);
    return sums;
}

// Bitwise comparison: a refused pair must leave every bit in place.
bool SameSums(const RainfallSums& a, const RainfallSums& b)
{
    const auto same = [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.ValueCount == b.ValueCount && same(a.SumP, b.SumP) && same(a.SumP2, b.SumP2) &&
           same(a.SumPA, b.SumPA) && same(a.SumA, b.SumA);
}

// The kind of RuntimeError `action` throws, or "none".
template <typename Action> QString ErrorOf(Action action)
{
    try {
        action();
        return "none";
    } catch (const RuntimeError& error) {
        return ErrorName(error.ErrorKind());
    }
}

} // namespace

Q_DECLARE_METATYPE(RainfallSums)
Q_DECLARE_METATYPE(Pairs)

class TestStats : public QObject {
    Q_OBJECT

private slots:
    void addPair_data();
    void addPair();
    void refusedPairLeavesSumsUnchanged_data();
    void refusedPairLeavesSumsUnchanged();
    void evaluate_data();
    void evaluate();
    void evaluateNeedsTwoValues();
    void strText_data();
    void strText();
    void parseValue_data();
    void parseValue();
    void numberTextIgnoresLocale();
};

void TestStats::addPair_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<RainfallSums>("sums");

    QTest::newRow("fresh") << Pairs{} << RainfallSums{0, 0, 0, 0, 0};
    QTest::newRow("two pairs") << Pairs{{2, 10}, {4, 30}} << RainfallSums{2, 6, 20, 140, 40};
    QTest::newRow("zero pair counts") << Pairs{{0, 0}} << RainfallSums{1, 0, 0, 0, 0};
    QTest::newRow("negative values") << Pairs{{-1.5f, 2}} << RainfallSums{1, -1.5f, 2.25f, -3, 2};
    // Rounded to single at every step: the single nearest 0.3, not 0.3.
    QTest::newRow("three times 0.1")
        << Pairs{{0.1f, 1}, {0.1f, 1}, {0.1f, 1}} << RainfallSums{3, 0.3f, 0.0300000012f, 0.3f, 3};
}

void TestStats::addPair()
{
    QFETCH(Pairs, pairs);
    QFETCH(RainfallSums, sums);
    const RainfallSums added = SumsOf(pairs);
    QVERIFY2(SameSums(added, sums), qPrintable(QString("%1 %2 %3 %4 %5")
                                                   .arg(added.ValueCount)
                                                   .arg(added.SumP, 0, 'g', 9)
                                                   .arg(added.SumP2, 0, 'g', 9)
                                                   .arg(added.SumPA, 0, 'g', 9)
                                                   .arg(added.SumA, 0, 'g', 9)));
    RainfallSums reset = added;
    ResetSums(reset);
    QVERIFY(SameSums(reset, RainfallSums{0, 0, 0, 0, 0})); // +0, not -0
}

void TestStats::refusedPairLeavesSumsUnchanged_data()
{
    QTest::addColumn<RainfallSums>("before");
    QTest::addColumn<float>("P");
    QTest::addColumn<float>("A");

    const RainfallSums some = SumsOf({{2, 10}, {4, 30}});
    QTest::newRow("square of P leaves the range") << some << 1e20f << 1.f;
    QTest::newRow("P times A leaves the range") << some << 1e19f << 1e20f;
    QTest::newRow("sum of P leaves the range")
        << RainfallSums{1, FLT_MAX, 0, 0, 0} << FLT_MAX << 0.f;
    QTest::newRow("sum of A leaves the range")
        << RainfallSums{1, 0, 0, 0, -FLT_MAX} << 0.f << -FLT_MAX;
    QTest::newRow("count already full") << RainfallSums{32767, 1, 1, 1, 1} << 1.f << 1.f;
}

void TestStats::refusedPairLeavesSumsUnchanged()
{
    QFETCH(RainfallSums, before);
    QFETCH(float, P);
    QFETCH(float, A);
    RainfallSums sums = before;
    QCOMPARE(ErrorOf([&] { AddPair(sums, P, A); }), "Overflow");
    QVERIFY(SameSums(sums, before));
}

void TestStats::evaluate_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<int>("count"); // values, taken from the pairs in turn
    QTest::addColumn<QList<float>>("results");
    const float none = -1; // no weighted mean

    QTest::newRow("two gauges") << Pairs{{2, 10}, {4, 30}} << 2
                                << QList<float>{3, 1.41421354f, 3.5f, 40};
    QTest::newRow("three gauges") << Pairs{{10, 1}, {20, 1}, {30, 2}} << 3
                                  << QList<float>{20, 10, 22.5f, 4};
    QTest::newRow("half steps") << Pairs{{1, 1}, {2, 1}} << 2
                                << QList<float>{1.5f, 0.707106769f, 1.5f, 2};
    QTest::newRow("negative mean")
        << Pairs{{-1, 1}, {0, 1}} << 2 << QList<float>{-0.5f, 0.707106769f, -0.5f, 2};
    // n(n - 1) leaves the 16-bit range from 182 values on.
    const Pairs oneAndThree{{1, 1}, {3, 1}};
    QTest::newRow("181 values") << oneAndThree << 181
                                << QList<float>{1.99447513f, 1.00275862f, 1.99447513f, 181};
    QTest::newRow("182 values") << oneAndThree << 182 << QList<float>{2, 1.00275862f, 2, 182};
    QTest::newRow("1000 values") << oneAndThree << 1000 << QList<float>{2, 1.00050032f, 2, 1000};
    QTest::newRow("32767 values") << oneAndThree << 32767
                                  << QList<float>{1.99996948f, 1.00001526f, 1.99996948f, 32767};
    // Rounding makes n * sum(P^2) - sum(P)^2 slightly negative.
    QTest::newRow("equal values") << Pairs{{0.1f, 1}} << 3 << QList<float>{0.1f, 0, 0.1f, 3};
    QTest::newRow("all areas zero")
        << Pairs{{5, 0}, {7, 0}} << 2 << QList<float>{6, 1.41421354f, none, 0};
    QTest::newRow("areas cancel out")
        << Pairs{{5, 2}, {7, -2}} << 2 << QList<float>{6, 1.41421354f, none, 0};
    QTest::newRow("weighted mean beyond single")
        << Pairs{{1e19f, 1e19f}, {0, -1e19f}, {0, 1e-3f}} << 3
        << QList<float>{3.33333338e18f, 5.77350278e18f, none, 1e-3f};
}

void TestStats::evaluate()
{
    QFETCH(Pairs, pairs);
    QFETCH(int, count);
    QFETCH(QList<float>, results);
    RainfallSums sums;
    for (int i = 0; i < count; ++i)
        AddPair(sums, pairs[i % pairs.size()].P, pairs[i % pairs.size()].A);
    const Statistics result = Evaluate(sums);
    QCOMPARE(result.Mean, results[0]);
    QCOMPARE(result.StdDev, results[1]);
    QCOMPARE(result.WeightedMean.value_or(-1), results[2]);
    QCOMPARE(result.SumOfAreas, results[3]);
}

void TestStats::evaluateNeedsTwoValues()
{
    QCOMPARE(ErrorOf([] { Evaluate(SumsOf({{1, 1}})); }), "Invalid argument");
}

void TestStats::strText_data()
{
    QTest::addColumn<float>("value"); // a 16-bit integer when integral is set
    QTest::addColumn<bool>("integral");
    QTest::addColumn<QString>("text");

    QTest::newRow("integer zero") << 0.f << true << " 0";
    QTest::newRow("largest integer") << 32767.f << true << " 32767";
    QTest::newRow("smallest integer") << -32768.f << true << "-32768";
    QTest::newRow("single integral") << 3.f << false << " 3";
    QTest::newRow("negative fraction") << -2.5f << false << "-2.5";
    QTest::newRow("no zero before point") << 0.25f << false << " .25";
    QTest::newRow("negative below one") << -0.5f << false << "-.5";
    QTest::newRow("seven digits") << 1.41421354f << false << " 1.414214";
    QTest::newRow("seven digits below one") << 0.707106769f << false << " .7071068";
    QTest::newRow("negative zero") << -0.f << false << " 0";
    QTest::newRow("largest fixed") << 9999999.f << false << " 9999999";
    QTest::newRow("first exponent") << 10000000.f << false << " 1E+07";
    QTest::newRow("large") << 123456789.f << false << " 1.234568E+08";
    QTest::newRow("smallest fixed") << 1e-4f << false << " .0001";
    QTest::newRow("small exponent") << 1e-5f << false << " 1E-05";
    QTest::newRow("negative exponent form") << -1.5e-6f << false << "-1.5E-06";
    QTest::newRow("single maximum") << FLT_MAX << false << " 3.402823E+38";
    QTest::newRow("rounds to seven digits") << 0.1f << false << " .1";
}

// Every text shown reads back as the value shown.
void TestStats::strText()
{
    QFETCH(float, value);
    QFETCH(bool, integral);
    QFETCH(QString, text);
    const std::string shown = integral ? StrText(std::int16_t(value)) : StrText(value);
    QCOMPARE(QString::fromStdString(shown), text);
    if (!integral && text.size() <= 8)
        QCOMPARE(float(ParseValue(shown)), value == 0 ? 0.f : value);
}

void TestStats::parseValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    const double overflow = -999; // an Overflow error

    QTest::newRow("plain") << "12" << 12.0;
    QTest::newRow("blanks anywhere") << " 1 2\t\n" << 12.0;
    QTest::newRow("negative fraction") << "-.5" << -0.5;
    QTest::newRow("second point stops") << "3.2.1" << 3.2;
    QTest::newRow("minus after digit stops") << "5-" << 5.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blank marker") << " " << 0.0;
    QTest::newRow("minus alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("plus is no number") << "+5" << 0.0;
    QTest::newRow("no hexadecimal") << "&H10" << 0.0;
    QTest::newRow("trailing point") << "7." << 7.0;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("lower-case negative exponent") << "2e-2" << 0.02;
    QTest::newRow("exponent sign alone") << "4E-" << 4.0;
    QTest::newRow("second exponent stops") << "1E2E3" << 100.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("below double range") << "1E-400" << 0.0;
    QTest::newRow("below double range, no exponent") << "." + QString(323, '0') + "1" << 0.0;
    QTest::newRow("below double range, huge exponent") << "-5E-99999999999999999999" << 0.0;
    QTest::newRow("beyond double range") << "1E400" << overflow;
    QTest::newRow("beyond, negative exponent") << "1" + QString(309, '0') + "e-0" << overflow;
    QTest::newRow("beyond, exponent -50") << "2" + QString(400, '0') + "e-50" << overflow;
    QTest::newRow("beyond, leading zeros") << "000" + QString(310, '9') << overflow;
}

void TestStats::parseValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    double read = 0;
    const QString error = ErrorOf([&] { read = ParseValue(text.toStdString()); });
    QCOMPARE(error, value == -999 ? "Overflow" : "none");
    if (error == "none")
        QCOMPARE(read, value);
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
