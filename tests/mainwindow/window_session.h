// Drives the real main window the way a user does: keys go to the control that
// has the focus, message boxes are read and closed by their OK button, and the
// beep and the end of the program are counted instead of happening.
#pragma once

#include "toolkit.h"
#include "w.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <vector>

namespace rainfall::testing {

// The real message boxes; the beep and the end of the program are only counted.
class RecordingToolkit : public QtToolkit {
public:
    void Beep() override { ++beeps; }
    void End() override { ++ends; }

    int beeps = 0;
    int ends = 0;
};

struct ShownBox {
    QString text;
    QString title;
    QMessageBox::Icon icon;
    QWidget* parent;
};

// Reads each message box as soon as it is shown modal, then presses its OK.
class BoxCloser : public QObject {
public:
    BoxCloser()
    {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &BoxCloser::CloseOpenBox);
        timer_.start();
    }

    std::vector<ShownBox> boxes;

private:
    void CloseOpenBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        boxes.push_back({box->text(), box->windowTitle(), box->icon(), box->parentWidget()});
        box->button(QMessageBox::Ok)->click();
    }

    QTimer timer_;
};

struct Pair {
    QString P;
    QString A;
};

class WindowSession {
public:
    WindowSession()
    {
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }

    QLineEdit* Field(const char* name) const { return window.findChild<QLineEdit*>(name); }
    QLabel* Label(const char* name) const { return window.findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return window.findChild<QPushButton*>(name); }
    QString Focus() const { return window.focusWidget() ? window.focusWidget()->objectName() : ""; }

    void Type(const QString& keys) { QTest::keyClicks(window.focusWidget(), keys); }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Reactivate();
        QTest::keyClick(window.focusWidget(), key, modifiers);
    }

    // A desktop gives the activation back to the window when its message box
    // closes; the offscreen platform leaves no window active, and shortcuts
    // such as Alt+A work only in the active window.
    void Reactivate()
    {
        if (window.isActiveWindow())
            return;
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }

    // Replaces the focused field's text from the clipboard, by Ctrl+A, Ctrl+V.
    void Paste(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        Press(Qt::Key_A, Qt::ControlModifier);
        Press(Qt::Key_V, Qt::ControlModifier);
    }

    // Text the key filter takes is typed; anything else (an exponent, blanks)
    // is pasted, as a user brings it in.
    void Enter(const QString& text)
    {
        static const QRegularExpression typeable("^[0-9.-]*$");
        if (typeable.match(text).hasMatch())
            Type(text);
        else
            Paste(text);
    }

    // The precipitation, Enter, the area, Enter: the pair is accepted.
    void EnterPair(const Pair& pair)
    {
        Enter(pair.P);
        Press(Qt::Key_Return);
        Enter(pair.A);
        Press(Qt::Key_Return);
    }

    void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }

    // The five result labels, in the order of the window.
    QStringList Results() const
    {
        QStringList texts;
        for (const char* name : {"lblNumber", "lblMean", "lblStdDev", "lblMean1", "lblArea"})
            texts << Label(name)->text();
        return texts;
    }

    RecordingToolkit toolkit;
    W window{toolkit};
    BoxCloser closer;
    bool active = false;
};

} // namespace rainfall::testing

Q_DECLARE_METATYPE(rainfall::testing::Pair)
Q_DECLARE_METATYPE(std::vector<rainfall::testing::Pair>)
