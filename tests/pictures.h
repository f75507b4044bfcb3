#pragma once

// Pictures of the windows compared pixel by pixel with the references in
// tests/pictures. The windows are drawn in the faces built into the program,
// so the pictures are the same on every machine. A picture that differs is
// saved beside the test with a difference picture, and the failure names
// both; scripts/update-pictures makes the references anew on purpose.

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyle>
#include <QTest>
#include <QWidget>

namespace pictures {

// The pictures are taken in the fixed Fusion style, under a palette given by
// the test. "@144dpi" marks those taken at another resolution.
inline QString Name(const QString& name, const QWidget* window)
{
    const int dpi = window->logicalDpiY();
    return dpi == 96 ? name : QString("%1@%2dpi").arg(name).arg(dpi);
}

// A light palette in which every system colour the windows use is a colour
// of its own, so that a control in the wrong one shows.
inline QPalette Distinct()
{
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Base, QColor(230, 255, 250));            // window background
    palette.setColor(QPalette::Text, QColor(120, 0, 0));                // window text
    palette.setColor(QPalette::WindowText, QColor(40, 0, 70));          // menu text, frame
    palette.setColor(QPalette::Highlight, QColor(200, 90, 0));          // highlight
    palette.setColor(QPalette::HighlightedText, QColor(255, 235, 200)); // highlight text
    palette.setColor(QPalette::ButtonText, QColor(0, 70, 0));           // button text
    return palette;
}

// A dark desktop scheme: light text on dark backgrounds.
inline QPalette Dark()
{
    QPalette palette(QColor(53, 53, 53));
    for (auto role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        palette.setColor(role, QColor(250, 250, 250));
    palette.setColor(QPalette::Base, QColor(36, 36, 36));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    return palette;
}

inline QImage Difference(const QImage& actual, const QImage& expected)
{
    QImage difference(actual.size(), QImage::Format_RGB32);
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            difference.setPixel(x, y,
                                actual.pixel(x, y) == expected.pixel(x, y) ? qRgb(255, 255, 255)
                                                                           : qRgb(255, 0, 0));
    return difference;
}

// Compares the window as it is drawn now with its reference picture.
inline void Compare(QWidget* window, const QString& name)
{
    const QString file = Name(name, window) + ".png";
    const QImage actual = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString reference = QStringLiteral(RAINFALL_PICTURES) + "/" + file;
    if (qEnvironmentVariableIsSet("RAINFALL_UPDATE_PICTURES")) {
        QVERIFY(actual.save(reference));
        return;
    }
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    if (actual == expected)
        return;
    QDir().mkpath("pictures");
    const QString saved = QDir::current().filePath("pictures/" + file);
    const QString difference = QDir::current().filePath("pictures/difference-" + file);
    actual.save(saved);
    if (actual.size() == expected.size())
        Difference(actual, expected).save(difference);
    QFAIL(qPrintable(QString("%1 differs from %2; it is saved as %3, the pixels that differ "
                             "in red in %4")
                         .arg(name, reference, saved, difference)));
}

} // namespace pictures
