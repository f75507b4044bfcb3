#pragma once

// Pictures of the windows compared pixel by pixel with the references in
// tests/pictures, taken in the Fusion style under a palette the test sets. The
// windows are drawn in the faces built into the program, so the pictures are
// the same on every machine. A picture that differs is saved in the working
// directory, and the failure names it; scripts/update-pictures makes the
// references anew on purpose.

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWidget>

namespace pictures {

// A light palette in which every system colour the windows use is a colour
// of its own, so that a control in the wrong one shows.
inline QPalette Distinct()
{
    QPalette palette(QColor(239, 239, 239));
    palette.setColor(QPalette::Base, QColor(230, 255, 250));            // window background
    palette.setColor(QPalette::Text, QColor(120, 0, 0));                // window text
    palette.setColor(QPalette::WindowText, QColor(40, 0, 70));          // menu text, frame
    palette.setColor(QPalette::Highlight, QColor(200, 90, 0));          // highlight
    palette.setColor(QPalette::HighlightedText, QColor(255, 235, 200)); // highlight text
    palette.setColor(QPalette::ButtonText, QColor(0, 70, 0));           // button text
    return palette;
}

// A dark desktop scheme: light text on dark backgrounds, the button text a
// grey that stands out less than readers need against most of them.
inline QPalette Dark()
{
    QPalette palette(QColor(53, 53, 53), QColor(53, 53, 53)); // white text on them
    palette.setColor(QPalette::Base, QColor(36, 36, 36));
    palette.setColor(QPalette::ButtonText, QColor(128, 128, 128));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    return palette;
}

// The style and palette of the pictures, set before the first window.
inline void Prepare()
{
    QApplication::setStyle("Fusion");
    QApplication::setPalette(Distinct());
    QApplication::setCursorFlashTime(0); // the caret always shows
}

inline void Compare(QWidget* window, const QString& name)
{
    const int dpi = window->logicalDpiY();
    const QString file = (dpi == 96 ? name : QString("%1@%2dpi").arg(name).arg(dpi)) + ".png";
    const QString reference = QStringLiteral(RAINFALL_PICTURES "/") + file;
    QImage actual = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("RAINFALL_UPDATE_PICTURES"))
        QVERIFY(actual.save(reference));
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    if (actual == expected)
        return;
    actual.save(QDir::current().filePath(file));
    QFAIL(qPrintable(QString("%1 differs from %2; see %3 in %4")
                         .arg(name, reference, file, QDir::currentPath())));
}

} // namespace pictures
