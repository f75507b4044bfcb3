#pragma once

#include <QString>

class QWidget;

namespace rainfall {

// What the windows need from the window toolkit beyond their own widgets: the
// modal message box and the standard beep. Behind an interface so that tests
// can hear a beep.
class Toolkit {
public:
    // Message box styles the program uses.
    enum Style { OkOnly = 0, Critical = 16 };

    virtual ~Toolkit() = default;

    // Shows a modal message box and returns when it is closed. A box without a
    // title carries the application's name.
    virtual void MsgBox(QWidget* parent, const QString& prompt, int style,
                        const QString& title = {}) = 0;
    virtual void Beep() = 0;
};

// The toolkit of the running program: QMessageBox and QApplication::beep.
class QtToolkit : public Toolkit {
public:
    void MsgBox(QWidget* parent, const QString& prompt, int style,
                const QString& title = {}) override;
    void Beep() override;
};

// The toolkit every window uses unless it is given another.
Toolkit& DefaultToolkit();

} // namespace rainfall
