// The display form of numbers and the reading of entry text.
#include "number_text.h"
#include "runtime_error.h"

#include <QTest>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>

using namespace rainfall;

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void integerText_data();
    void integerText();
    void singleText_data();
    void singleText();
    void singleTextIgnoresLocale();
    void parseValue_data();
    void parseValue();
    void parseValueReadsBackWhatIsShown_data();
    void parseValueReadsBackWhatIsShown();
    void parseValueBeyondDoubleRange();
};

void TestNumberText::integerText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << " 0";
    QTest::newRow("one") << 1 << " 1";
    QTest::newRow("largest") << 32767 << " 32767";
    QTest::newRow("smallest") << -32768 << "-32768";
}

void TestNumberText::integerText()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(StrText(std::int16_t(value))), text);
}

void TestNumberText::singleText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("integer") << 3.f << " 3";
    QTest::newRow("negative fraction") << -2.5f << "-2.5";
    QTest::newRow("trailing zero dropped") << 2.5f << " 2.5";
    QTest::newRow("no zero before point") << 0.25f << " .25";
    QTest::newRow("negative below one") << -0.5f << "-.5";
    QTest::newRow("seven digits") << float(std::sqrt(2.0)) << " 1.414214";
    QTest::newRow("seven digits below one") << float(std::sqrt(0.5)) << " .7071068";
    QTest::newRow("zero") << 0.f << " 0";
    QTest::newRow("negative zero") << -0.f << " 0";
    QTest::newRow("largest fixed") << 9999999.f << " 9999999";
    QTest::newRow("first exponent") << 10000000.f << " 1E+07";
    QTest::newRow("large") << 123456789.f << " 1.234568E+08";
    QTest::newRow("smallest fixed") << 1e-4f << " .0001";
    QTest::newRow("small exponent") << 1e-5f << " 1E-05";
    QTest::newRow("negative exponent form") << -1.5e-6f << "-1.5E-06";
    QTest::newRow("single maximum") << FLT_MAX << " 3.402823E+38";
    QTest::newRow("rounds to seven digits") << 0.1f << " .1";
}

void TestNumberText::singleText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(StrText(value)), text);
}

void TestNumberText::singleTextIgnoresLocale()
{
    // A desktop session may run in a locale whose decimal separator is a comma.
    const char* chosen = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!chosen)
        chosen = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    QCOMPARE(QString::fromStdString(StrText(2.5f)), QString(" 2.5"));
    QCOMPARE(ParseValue("2.5"), 2.5);
    std::setlocale(LC_NUMERIC, "C");
}

void TestNumberText::parseValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("plain") << "12" << 12.0;
    QTest::newRow("leading blank") << " 12" << 12.0;
    QTest::newRow("trailing blank") << "12 " << 12.0;
    QTest::newRow("blank inside") << "1 2" << 12.0;
    QTest::newRow("tab and line feed") << "\t1\n2" << 12.0;
    QTest::newRow("fraction") << "12.5" << 12.5;
    QTest::newRow("negative fraction") << "-.5" << -0.5;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("second point stops too") << "3.2.1" << 3.2;
    QTest::newRow("minus after digit stops") << "5-" << 5.0;
    QTest::newRow("minus in the middle") << "3-5" << 3.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blank marker") << " " << 0.0;
    QTest::newRow("minus alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("plus is no number") << "+5" << 0.0;
    QTest::newRow("no hexadecimal") << "&H10" << 0.0;
    QTest::newRow("trailing point") << "7." << 7.0;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("lower-case exponent") << "2e-2" << 0.02;
    QTest::newRow("exponent with plus") << "1E+2" << 100.0;
    QTest::newRow("letter alone ends the number") << "1E" << 1.0;
    QTest::newRow("exponent sign alone") << "4E-" << 4.0;
    QTest::newRow("second exponent stops") << "1E2E3" << 100.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("double underflows to zero") << "1E-400" << 0.0;
}

void TestNumberText::parseValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(ParseValue(text.toStdString()), value);
}

void TestNumberText::parseValueReadsBackWhatIsShown_data()
{
    QTest::addColumn<float>("value");
    for (float value : {3.f, -2.5f, 0.25f, -0.5f, 1.234568e8f, 1e-5f, FLT_MAX, -1.5e-6f})
        QTest::newRow(qPrintable(QString::number(value))) << value;
}

void TestNumberText::parseValueReadsBackWhatIsShown()
{
    QFETCH(float, value);
    QCOMPARE(float(ParseValue(StrText(value))), value);
}

void TestNumberText::parseValueBeyondDoubleRange()
{
    try {
        ParseValue("1E400");
        QFAIL("no error");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.kind(), RuntimeError::Kind::Overflow);
    }
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_number_text.moc"
