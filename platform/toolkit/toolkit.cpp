#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QMessageBox>

namespace rainfall {

const QString ApplicationTitle = QStringLiteral(RAINFALL_TITLE);

void QtToolkit::MsgBox(QWidget* parent, const QString& prompt, int style, const QString& title)
{
    const QMessageBox::Icon icon =
        (style & Critical) == Critical ? QMessageBox::Critical : QMessageBox::NoIcon;
    const QString caption = title.isEmpty() ? ApplicationTitle : title;
    QMessageBox box(icon, caption, prompt, QMessageBox::Ok, parent);
    box.exec();
}

void QtToolkit::Beep()
{
    QApplication::beep();
}

void QtToolkit::End()
{
    QApplication::exit(0);
}

Toolkit& DefaultToolkit()
{
    static QtToolkit toolkit;
    return toolkit;
}

} // namespace rainfall
