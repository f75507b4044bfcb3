#pragma once

#include <QPushButton>

namespace rainfall {

// The push button of the program's windows: Enter or Space on the focused
// button presses it, and Alt with its underlined letter presses it at once,
// before the next key is handled, exactly as a click does. A caption too wide
// for the button wraps at word boundaries, centred.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    CommandButton(const QString& caption, QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace rainfall
