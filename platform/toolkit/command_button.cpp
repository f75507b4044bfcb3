#include "platform/toolkit/command_button.h"

#include <QKeyEvent>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace rainfall {

CommandButton::CommandButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
}

bool CommandButton::event(QEvent* event)
{
    // Qt animates a mnemonic press and clicks some 100 ms later; keys typed in
    // between would be handled before the command. Click at once instead. An
    // ambiguous letter is left to Qt, which then only moves the focus.
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        click();
        return true;
    }
    return QPushButton::event(event);
}

void CommandButton::keyPressEvent(QKeyEvent* event)
{
    // Qt's push buttons take Enter only inside dialogs.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CommandButton::paintEvent(QPaintEvent* /*event*/)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option); // face, frame and focus

    int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        flags |= Qt::TextHideMnemonic;
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(contents, flags, palette(), isEnabled(), text(), QPalette::ButtonText);
}

} // namespace rainfall
