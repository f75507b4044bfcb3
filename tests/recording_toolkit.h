#pragma once

// The toolkit of the window tests: message boxes are shown for real, read and
// closed by their OK button; the beep and the end of the program are counted.

#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

class RecordingToolkit : public rainfall::QtToolkit {
public:
    QStringList boxes; // "title|text", with " (critical)" for the stop icon
    int beeps = 0;
    int ends = 0;

    void MsgBox(QWidget* parent, const QString& prompt, int style, const QString& title) override
    {
        QTimer::singleShot(0, [this, parent] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            boxes << box->windowTitle() + "|" + box->text() +
                         (box->icon() == QMessageBox::Critical ? " (critical)" : "") +
                         (box->parentWidget() == parent && parent ? "" : " (no parent)");
            box->button(QMessageBox::Ok)->click();
        });
        QtToolkit::MsgBox(parent, prompt, style, title);
    }
    void Beep() override { ++beeps; }
    void End() override { ++ends; }
};
