// Label captions: ampersands and line breaks as the labels show them.
#include "caption_text.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace rainfall;

class TestCaptionText : public QObject {
    Q_OBJECT

private slots:
    void shown_data();
    void shown();
};

void TestCaptionText::shown_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("underlined"); // the underlined characters, in order

    QTest::newRow("plain") << "Did you know..."
                           << "Did you know..."
                           << "";
    QTest::newRow("one ampersand") << "&Accept"
                                   << "Accept"
                                   << "A";
    QTest::newRow("two ampersands") << "R&&D"
                                    << "R&D"
                                    << "";
    QTest::newRow("three ampersands") << "a&&&b"
                                      << "a&b"
                                      << "b";
    QTest::newRow("underlined ampersand") << "a&&&&"
                                          << "a&&"
                                          << "";
    QTest::newRow("ampersand at the end") << "end&"
                                          << "end"
                                          << "";
    QTest::newRow("ampersand before a line break") << "one&\r\ntwo"
                                                   << "one\ntwo"
                                                   << "";
    QTest::newRow("CR LF, CR and LF each break a line") << "a\r\nb\rc\nd"
                                                        << "a\nb\nc\nd"
                                                        << "";
    QTest::newRow("empty line between") << "a\r\n\r\nb"
                                        << "a\n\nb"
                                        << "";
    QTest::newRow("spaces kept") << "   A  B "
                                 << "   A  B "
                                 << "";
    QTest::newRow("markup shown as text") << "<i>x</i> &amp;"
                                          << "<i>x</i> amp;"
                                          << "a";
    QTest::newRow("character beyond 16 bits")
        << QString::fromUtf8("&\U0001F327 rain") << QString::fromUtf8("\U0001F327 rain")
        << QString::fromUtf8("\U0001F327");
}

void TestCaptionText::shown()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QFETCH(QString, underlined);

    QLabel label;
    SetCaption(&label, caption);
    QTextDocument document;
    if (label.textFormat() == Qt::PlainText)
        document.setPlainText(label.text());
    else
        document.setHtml(label.text());
    QCOMPARE(document.toPlainText(), shown);
    QCOMPARE(label.accessibleName(), shown);
    QCOMPARE(CaptionShownText(caption), shown);
    QCOMPARE(label.textFormat() == Qt::RichText, caption.contains(QRegularExpression("[&\r\n]")));

    QString foundUnderlined;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            if (fragment.fragment().charFormat().fontUnderline())
                foundUnderlined += fragment.fragment().text();
    QCOMPARE(foundUnderlined, underlined);
}

QTEST_MAIN(TestCaptionText)
#include "tst_caption_text.moc"
