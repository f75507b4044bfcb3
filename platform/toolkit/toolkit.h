#pragma once

#include <QString>

class QWidget;

namespace rainfall {

// The title of a message box that has none of its own.
extern const QString ApplicationTitle;

// What the windows need from the window toolkit beyond their own widgets: the
// modal message box, the standard beep and the end of the program. Behind an
// interface so that tests can hear a beep and see the program end.
class Toolkit {
public:
    // Message box styles the program uses.
    enum Style { OkOnly = 0, Critical = 16 };

    virtual ~Toolkit() = default;

    // Shows a modal message box and returns when it is closed. A box without a
    // title carries ApplicationTitle.
    virtual void MsgBox(QWidget* parent, const QString& prompt, int style,
                        const QString& title = {}) = 0;
    virtual void Beep() = 0;
    // Ends the program at once: the event loop stops and nothing is saved.
    virtual void End() = 0;
};

// The toolkit of the running program: QMessageBox and QApplication::beep.
class QtToolkit : public Toolkit {
public:
    void MsgBox(QWidget* parent, const QString& prompt, int style,
                const QString& title = {}) override;
    void Beep() override;
    void End() override;
};

// The toolkit every window uses unless it is given another.
Toolkit& DefaultToolkit();

} // namespace rainfall
