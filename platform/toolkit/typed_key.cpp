#include "platform/toolkit/typed_key.h"

#include <QKeyEvent>

namespace rainfall {

namespace {

constexpr std::int16_t QuestionMark = 63;
constexpr std::int16_t FullStop = 46;

// Ctrl alone (Shift aside) makes a key an editing command; Ctrl with Alt is
// AltGr on some keyboards, which types.
bool IsControlKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers held = event.modifiers() & ~Qt::KeypadModifier;
    return held == Qt::ControlModifier || held == (Qt::ControlModifier | Qt::ShiftModifier);
}

bool IsKeypadDecimal(const QKeyEvent& event)
{
    return (event.modifiers() & Qt::KeypadModifier) &&
           (event.key() == Qt::Key_Comma || event.key() == Qt::Key_Period);
}

} // namespace

std::optional<std::int16_t> TypedKeyCode(const QKeyEvent& event)
{
    if (IsControlKey(event))
        return std::nullopt;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyEnter;
    case Qt::Key_Backspace:
        return KeyBackspace;
    }
    if (IsKeypadDecimal(event))
        return FullStop;
    const QString text = event.text();
    if (text.isEmpty() || text.front().category() == QChar::Other_Control)
        return std::nullopt;
    if (text.size() > 1 || text.front().unicode() > 0xFF)
        return QuestionMark;
    return static_cast<std::int16_t>(text.front().unicode());
}

} // namespace rainfall
