#include "platform/toolkit/colours.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace rainfall {

namespace {

// A system colour as this desktop has it.
QColor SystemColour(SystemColourIndex index)
{
    const QPalette palette = QApplication::palette();
    const auto colour = [&palette](QPalette::ColorRole role) {
        return palette.color(QPalette::Active, role);
    };
    switch (index) {
    case ActiveTitleBar:
    case Highlight:
        return colour(QPalette::Highlight);
    case WindowBackground:
        return colour(QPalette::Base);
    case WindowFrame: // black under the default palette
    case MenuText:
        return colour(QPalette::WindowText);
    case WindowText:
        return colour(QPalette::Text);
    case HighlightText:
        return colour(QPalette::HighlightedText);
    case ButtonText:
        return colour(QPalette::ButtonText);
    }
    return colour(QPalette::Text);
}

// The relative luminance of a colour, as the contrast ratio uses it.
qreal Luminance(const QColor& colour)
{
    const auto linear = [](qreal c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

} // namespace

qreal Contrast(const QColor& a, const QColor& b)
{
    const qreal lighter = std::max(Luminance(a), Luminance(b));
    const qreal darker = std::min(Luminance(a), Luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

QColor BlackOrWhiteAgainst(const QColor& other)
{
    const QColor black(0, 0, 0), white(255, 255, 255);
    return Contrast(black, other) >= Contrast(white, other) ? black : white;
}

QColor Colour::Value() const
{
    return IsSystem() ? SystemColour(static_cast<SystemColourIndex>(system_)) : QColor(rgb_);
}

TextColours LegibleColours(Colour text, Colour background, const QFont& font)
{
    const bool large = font.bold() && font.pointSizeF() >= 14;
    TextColours colours{text.Value(), background.Value()};
    if (Contrast(colours.text, colours.background) >= (large ? 3.0 : 4.5))
        return colours;
    if (text.IsSystem())
        colours.text = BlackOrWhiteAgainst(colours.background);
    else if (background.IsSystem())
        colours.background = BlackOrWhiteAgainst(colours.text);
    return colours;
}

void SetColour(QWidget* control, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

} // namespace rainfall
