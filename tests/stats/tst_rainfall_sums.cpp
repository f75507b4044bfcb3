// The running sums and their evaluation.
#include "evaluation.h"
#include "rainfall_sums.h"
#include "runtime_error.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

using namespace rainfall;

namespace {

struct Pair {
    float P;
    float A;
};

RainfallSums SumsOf(const std::vector<Pair>& pairs)
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

} // namespace

Q_DECLARE_METATYPE(RainfallSums)
Q_DECLARE_METATYPE(std::vector<Pair>)

class TestRainfallSums : public QObject {
    Q_OBJECT

private slots:
    void addPairAccumulates_data();
    void addPairAccumulates();
    void sumsRoundToSingleAtEveryStep();
    void refusedPairLeavesSumsUnchanged_data();
    void refusedPairLeavesSumsUnchanged();
    void resetReturnsToFreshState();
    void evaluateWorkedExamples_data();
    void evaluateWorkedExamples();
    void standardDeviationForLargeCounts_data();
    void standardDeviationForLargeCounts();
    void equalValuesNeverGiveNegativeVariance();
    void weightedMeanThatCannotBeFormed_data();
    void weightedMeanThatCannotBeFormed();
    void evaluateNeedsTwoValues();
};

void TestRainfallSums::addPairAccumulates_data()
{
    QTest::addColumn<std::vector<Pair>>("pairs");
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("sumP");
    QTest::addColumn<float>("sumP2");
    QTest::addColumn<float>("sumPA");
    QTest::addColumn<float>("sumA");

    QTest::newRow("fresh") << std::vector<Pair>{} << 0 << 0.f << 0.f << 0.f << 0.f;
    QTest::newRow("two pairs") << std::vector<Pair>{{2, 10}, {4, 30}} << 2 << 6.f << 20.f << 140.f
                               << 40.f;
    QTest::newRow("zero pair counts") << std::vector<Pair>{{0, 0}} << 1 << 0.f << 0.f << 0.f << 0.f;
    QTest::newRow("negative values")
        << std::vector<Pair>{{-1.5f, 2}} << 1 << -1.5f << 2.25f << -3.f << 2.f;
}

void TestRainfallSums::addPairAccumulates()
{
    QFETCH(std::vector<Pair>, pairs);
    QFETCH(int, count);
    QFETCH(float, sumP);
    QFETCH(float, sumP2);
    QFETCH(float, sumPA);
    QFETCH(float, sumA);
    const RainfallSums sums = SumsOf(pairs);
    QCOMPARE(int(sums.ValueCount), count);
    QCOMPARE(sums.SumP, sumP);
    QCOMPARE(sums.SumP2, sumP2);
    QCOMPARE(sums.SumPA, sumPA);
    QCOMPARE(sums.SumA, sumA);
}

void TestRainfallSums::sumsRoundToSingleAtEveryStep()
{
    RainfallSums sums;
    float expected = 0;
    for (int i = 0; i < 3; ++i) {
        AddPair(sums, 0.1f, 1);
        expected = static_cast<float>(double(expected) + double(0.1f));
        QVERIFY(std::memcmp(&sums.SumP, &expected, sizeof expected) == 0);
    }
    QVERIFY(double(sums.SumP) != 0.3);
}

void TestRainfallSums::refusedPairLeavesSumsUnchanged_data()
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

void TestRainfallSums::refusedPairLeavesSumsUnchanged()
{
    QFETCH(RainfallSums, before);
    QFETCH(float, P);
    QFETCH(float, A);
    RainfallSums sums = before;
    try {
        AddPair(sums, P, A);
        QFAIL("the pair was taken in");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.kind(), RuntimeError::Kind::Overflow);
        QVERIFY(!error.detail().empty());
    }
    QVERIFY(SameSums(sums, before));
}

void TestRainfallSums::resetReturnsToFreshState()
{
    RainfallSums sums = SumsOf({{-3, 7}, {1e10f, 2}, {0.1f, 0}});
    ResetSums(sums);
    QVERIFY(SameSums(sums, RainfallSums{}));
    QVERIFY(!std::signbit(sums.SumP));
}

void TestRainfallSums::evaluateWorkedExamples_data()
{
    QTest::addColumn<std::vector<Pair>>("pairs");
    QTest::addColumn<float>("mean");
    QTest::addColumn<float>("stdDev");
    QTest::addColumn<float>("weightedMean");
    QTest::addColumn<float>("sumOfAreas");

    QTest::newRow("two gauges") << std::vector<Pair>{{2, 10}, {4, 30}} << 3.f
                                << float(std::sqrt(2.0)) << 3.5f << 40.f;
    QTest::newRow("three gauges") << std::vector<Pair>{{10, 1}, {20, 1}, {30, 2}} << 20.f << 10.f
                                  << 22.5f << 4.f;
    QTest::newRow("half steps") << std::vector<Pair>{{1, 1}, {2, 1}} << 1.5f
                                << float(std::sqrt(0.5)) << 1.5f << 2.f;
    QTest::newRow("negative mean")
        << std::vector<Pair>{{-1, 1}, {0, 1}} << -0.5f << float(std::sqrt(0.5)) << -0.5f << 2.f;
}

void TestRainfallSums::evaluateWorkedExamples()
{
    QFETCH(std::vector<Pair>, pairs);
    QFETCH(float, mean);
    QFETCH(float, stdDev);
    QFETCH(float, weightedMean);
    QFETCH(float, sumOfAreas);
    const Statistics result = Evaluate(SumsOf(pairs));
    QCOMPARE(result.Mean, mean);
    QCOMPARE(result.StdDev, stdDev);
    QVERIFY(result.WeightedMean.has_value());
    QCOMPARE(*result.WeightedMean, weightedMean);
    QCOMPARE(result.SumOfAreas, sumOfAreas);
}

void TestRainfallSums::standardDeviationForLargeCounts_data()
{
    QTest::addColumn<int>("count");
    // n(n - 1) leaves the 16-bit range from 182 values on.
    for (int count : {181, 182, 1000, 32767})
        QTest::newRow(qPrintable(QString::number(count))) << count;
}

void TestRainfallSums::standardDeviationForLargeCounts()
{
    QFETCH(int, count);
    // Alternating 1 and 3: the sample standard deviation is known in closed form.
    RainfallSums sums;
    for (int i = 0; i < count; ++i)
        AddPair(sums, i % 2 ? 3.f : 1.f, 1);
    const double n = count;
    const double sumP = sums.SumP;
    const double exact = std::sqrt((n * double(sums.SumP2) - sumP * sumP) / (n * (n - 1)));
    const Statistics result = Evaluate(sums);
    QCOMPARE(result.StdDev, float(exact));
    QVERIFY(result.StdDev > 0.99f && result.StdDev < 1.01f);
}

void TestRainfallSums::equalValuesNeverGiveNegativeVariance()
{
    // Three times 0.1: rounding makes n*sum(P^2) - sum(P)^2 slightly negative.
    const RainfallSums sums = SumsOf({{0.1f, 1}, {0.1f, 1}, {0.1f, 1}});
    const double radicand = double(3.f) * double(sums.SumP2) - std::pow(double(sums.SumP), 2.0);
    QVERIFY(radicand < 0);
    QCOMPARE(Evaluate(sums).StdDev, 0.f);
}

void TestRainfallSums::weightedMeanThatCannotBeFormed_data()
{
    QTest::addColumn<RainfallSums>("sums");

    QTest::newRow("all areas zero") << SumsOf({{5, 0}, {7, 0}});
    QTest::newRow("areas cancel out") << SumsOf({{5, 2}, {7, -2}});
    QTest::newRow("quotient beyond single range") << RainfallSums{2, 2, 2, 1e38f, 1e-3f};
}

void TestRainfallSums::weightedMeanThatCannotBeFormed()
{
    QFETCH(RainfallSums, sums);
    const Statistics result = Evaluate(sums);
    QVERIFY(!result.WeightedMean.has_value());
    QCOMPARE(result.SumOfAreas, sums.SumA);
    QVERIFY(std::isfinite(result.Mean));
}

void TestRainfallSums::evaluateNeedsTwoValues()
{
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Evaluate(SumsOf({{1, 1}})));
}

QTEST_APPLESS_MAIN(TestRainfallSums)
#include "tst_rainfall_sums.moc"
